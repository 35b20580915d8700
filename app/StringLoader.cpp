#include "app/StringLoader.h"

#include <cwchar>
#include <string>

#include "app/AppString.h"
#include "app/ResourceModule.h"
#include "app/StringBlock.h"
#include "app/SysWrappers.h"
#include "resources/StringIds.h"

namespace {
}  // namespace

const WORD* GetStringResourceImage(uint32_t nId, const CResolver& resolver)
{
    const HMODULE hModule = resolver.GetModule();
    // Block names are 16-bit numbers; ids beyond the last block wrap as the resource
    // compiler would never produce them, and then simply are not found.
    const WORD nBlock = static_cast<WORD>((nId >> 4) + 1);
    HRSRC hInfo = FindResourceW(hModule, MAKEINTRESOURCEW(nBlock), MAKEINTRESOURCEW(6));
    if (!hInfo) {
        XReplaceLastError(0, E_FAIL);
        return nullptr;
    }
    // Zero is both an error and the size of an empty block; only the last error tells.
    SetLastError(0);
    const DWORD nSize = SizeofResource(hModule, hInfo);
    if (nSize == 0 && GetLastError() != 0)
        return nullptr;
    HGLOBAL hData = LoadResource(hModule, hInfo);
    if (!hData) {
        XReplaceLastError(0, E_FAIL);
        return nullptr;
    }
    SetLastError(0);
    const void* pBlock = LockResource(hData);
    if (!pBlock) {
        XReplaceLastError(0, E_FAIL);
        return nullptr;
    }

    CStringBlockEntry entry;
    if (!FindStringBlockEntry(pBlock, nSize, nId & 15, &entry))
        return nullptr;
    SetLastError(0);
    // Resource data is aligned and every entry starts at an even offset.
    return reinterpret_cast<const WORD*>(entry.pEntry);
}

wchar_t* LoadAppString(HMODULE hModule, uint32_t nId)
{
    const CResolver resolver(hModule);
    const WORD* pEntry = GetStringResourceImage(nId, resolver);
    if (!pEntry)
        return nullptr;
    const size_t nCount = pEntry[0];
    wchar_t* pszText = XAllocChars(nCount + 1);
    if (!pszText)
        return nullptr;
    wmemcpy(pszText, reinterpret_cast<const wchar_t*>(pEntry + 1), nCount);
    pszText[nCount] = L'\0';
    return pszText;
}

wchar_t* LoadAppString(uint32_t nId)
{
    return LoadAppString(AfxGetResourceHandle(), nId);
}

bool InsertAppTitle(HWND hWnd)
{
    XBuffer<wchar_t> text(XGetWindowText(hWnd));
    if (!text)
        return false;
    const wchar_t* pszText = text.Get();

    size_t nMarks = 0;
    for (const wchar_t* p = wcsstr(pszText, L"%s"); p; p = wcsstr(p + 2, L"%s"))
        ++nMarks;
    if (nMarks == 0)
        return true;

    XBuffer<wchar_t> title(LoadAppString(IDS_APP_TITLE));
    const wchar_t* pszTitle = title ? title.Get() : L"";
    const size_t nTitle = wcslen(pszTitle);
    const size_t nText = wcslen(pszText);
    // Each mark of two characters becomes the title.
    XBuffer<wchar_t> result(XAllocChars(nText - 2 * nMarks + nMarks * nTitle + 1));
    if (!result)
        return false;
    wchar_t* pOut = result.Get();
    for (const wchar_t* p = pszText; *p;) {
        if (p[0] == L'%' && p[1] == L's') {
            wmemcpy(pOut, pszTitle, nTitle);
            pOut += nTitle;
            p += 2;
        } else {
            *pOut++ = *p++;
        }
    }
    *pOut = L'\0';
    if (!SetWindowTextW(hWnd, result.Get())) {
        XReplaceLastError(0, E_FAIL);
        return false;
    }
    return true;
}

std::wstring AppString(uint32_t nId)
{
    XBuffer<wchar_t> text(LoadAppString(nId));
    return text ? std::wstring(text.Get()) : std::wstring();
}

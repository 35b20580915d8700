#include "update/DownloadName.h"

#include "app/AsciiCase.h"

namespace {

// The system maps these to devices in any folder, also with an extension ("nul.exe") and
// with blanks before it; the superscript digits count as digits for COM and LPT.
bool IsDeviceName(const std::wstring& strName)
{
    std::wstring strBase = strName.substr(0, strName.find(L'.'));
    while (!strBase.empty() && strBase.back() == L' ')
        strBase.pop_back();
    static const wchar_t* const s_apszNames[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
    for (const wchar_t* pszName : s_apszNames)
        if (EqualsIgnoringAsciiCase(strBase, pszName))
            return true;
    if (strBase.size() != 4)
        return false;
    const std::wstring strStem = strBase.substr(0, 3);
    const wchar_t chDigit = strBase[3];
    const bool bDigit =
        (chDigit >= L'0' && chDigit <= L'9') || chDigit == L'\x00B9' || chDigit == L'\x00B2' || chDigit == L'\x00B3';
    return bDigit && (EqualsIgnoringAsciiCase(strStem, L"COM") || EqualsIgnoringAsciiCase(strStem, L"LPT"));
}

}  // namespace

std::wstring FileNameFromUrl(const std::wstring& strUrl)
{
    const size_t nSlash = strUrl.rfind(L'/');
    return nSlash == std::wstring::npos ? strUrl : strUrl.substr(nSlash + 1);
}

bool IsPlainFileName(const std::wstring& strName)
{
    if (strName.empty() || strName.back() == L'.' || strName.back() == L' ')
        return false;
    for (wchar_t ch : strName) {
        if (ch == L'\\' || ch == L'/' || ch == L':' || ch < 0x20 || ch == 0x7F)
            return false;
    }
    return !IsDeviceName(strName);
}

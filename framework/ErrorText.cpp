#include "framework/ErrorText.h"

#include "app/SysWrappers.h"

std::wstring SystemErrorText(DWORD nError, HMODULE hModule)
{
    DWORD nFlags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    if (hModule)
        nFlags |= FORMAT_MESSAGE_FROM_HMODULE;
    wchar_t* pszText = nullptr;
    const DWORD nChars = FormatMessageW(nFlags, hModule, nError, 0, reinterpret_cast<wchar_t*>(&pszText), 0, nullptr);
    // FormatMessage's buffer comes from LocalAlloc, as the wrappers' do.
    XBuffer<wchar_t> text(pszText);
    std::wstring strText = nChars && pszText ? std::wstring(pszText, nChars) : std::wstring();
    while (!strText.empty() && (strText.back() == L'\r' || strText.back() == L'\n' || strText.back() == L' '))
        strText.pop_back();
    if (strText.empty())
        strText = L"Error " + std::to_wstring(nError);
    return strText;
}

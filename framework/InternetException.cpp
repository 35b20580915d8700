#include "framework/InternetException.h"

#include <wininet.h>

#include <utility>

#include "framework/ErrorText.h"

namespace {

std::wstring ExtendedErrorText()
{
    DWORD nCode = 0;
    DWORD nChars = 0;
    InternetGetLastResponseInfoW(&nCode, nullptr, &nChars);
    if (nChars == 0)
        return {};
    std::wstring strText(nChars + 1, L'\0');
    DWORD nSize = static_cast<DWORD>(strText.size());
    if (!InternetGetLastResponseInfoW(&nCode, strText.data(), &nSize))
        return {};
    strText.resize(nSize < strText.size() ? nSize : strText.size());
    while (!strText.empty() && (strText.back() == L'\r' || strText.back() == L'\n' || strText.back() == L'\0'))
        strText.pop_back();
    return strText;
}

}  // namespace

CInternetException::CInternetException(DWORD nError) : m_dwError(nError)
{
    if (nError == ERROR_INTERNET_EXTENDED_ERROR)
        m_strText = ExtendedErrorText();
    if (m_strText.empty())
        m_strText = SystemErrorText(nError, GetModuleHandleW(L"wininet.dll"));
}

CInternetException::CInternetException(DWORD nError, std::wstring strText)
    : m_dwError(nError), m_strText(std::move(strText))
{
}

bool CInternetException::GetErrorMessage(wchar_t* pszError, UINT nMaxError) const
{
    return CopyErrorMessage(m_strText.c_str(), pszError, nMaxError);
}

void AfxThrowInternetException(DWORD nError)
{
    throw CInternetException(nError);
}

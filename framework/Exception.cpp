#include "framework/Exception.h"

#include <cwchar>

bool CException::GetErrorMessage(wchar_t* pszError, UINT nMaxError) const
{
    return CopyErrorMessage(nullptr, pszError, nMaxError);
}

bool CException::CopyErrorMessage(const wchar_t* pszText, wchar_t* pszError, UINT nMaxError)
{
    if (!pszError || nMaxError == 0)
        return false;
    pszError[0] = L'\0';
    if (!pszText || !pszText[0])
        return false;
    const size_t nCopy = wcsnlen(pszText, nMaxError - 1);
    wmemcpy(pszError, pszText, nCopy);
    pszError[nCopy] = L'\0';
    return true;
}

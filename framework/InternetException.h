// Raised by the internet classes (CInternetSession, CHttpFile) when a call of the
// internet library fails. The error text is taken when the exception is made, on the
// thread that met the error (the server's extended error text is per thread).
#pragma once
#include <windows.h>

#include <string>

#include "framework/Exception.h"

class CInternetException : public CException {
public:
    // The text of nError from the internet library's messages or the system's; for
    // ERROR_INTERNET_EXTENDED_ERROR the server's own text when there is one.
    explicit CInternetException(DWORD nError);
    // A failure that has no code of the library, with its text (an error answer of the
    // server: nError is then the HTTP status).
    CInternetException(DWORD nError, std::wstring strText);

    bool GetErrorMessage(wchar_t* pszError, UINT nMaxError) const override;

    DWORD m_dwError;

private:
    std::wstring m_strText;
};

[[noreturn]] void AfxThrowInternetException(DWORD nError);

// Raised by CFile when a file cannot be created, written or closed.
#pragma once
#include <windows.h>

#include <string>

#include "framework/Exception.h"

class CFileException : public CException {
public:
    // The error text is the system's text of nError followed by the file's path.
    CFileException(DWORD nError, std::wstring strFileName);

    bool GetErrorMessage(wchar_t* pszError, UINT nMaxError) const override;

    DWORD m_lOsError;
    std::wstring m_strFileName;

private:
    std::wstring m_strText;
};

[[noreturn]] void AfxThrowFileException(DWORD nError, const std::wstring& strFileName);

#include "framework/FileException.h"

#include <utility>

#include "framework/ErrorText.h"

CFileException::CFileException(DWORD nError, std::wstring strFileName)
    : m_lOsError(nError), m_strFileName(std::move(strFileName))
{
    m_strText = SystemErrorText(nError);
    if (!m_strFileName.empty())
        m_strText += L"\n" + m_strFileName;
}

bool CFileException::GetErrorMessage(wchar_t* pszError, UINT nMaxError) const
{
    return CopyErrorMessage(m_strText.c_str(), pszError, nMaxError);
}

void AfxThrowFileException(DWORD nError, const std::wstring& strFileName)
{
    throw CFileException(nError, strFileName);
}

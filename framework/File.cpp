#include "framework/File.h"

#include "framework/FileException.h"

CFile::CFile(const wchar_t* pszFileName, UINT nOpenFlags) : m_strFileName(pszFileName ? pszFileName : L"")
{
    DWORD nAccess = GENERIC_READ;
    if (nOpenFlags & modeWrite)
        nAccess = GENERIC_WRITE;
    else if (nOpenFlags & modeReadWrite)
        nAccess = GENERIC_READ | GENERIC_WRITE;
    const DWORD nDisposition = (nOpenFlags & modeCreate) ? CREATE_ALWAYS : OPEN_EXISTING;
    HANDLE hFile =
        CreateFileW(m_strFileName.c_str(), nAccess, 0, nullptr, nDisposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        AfxThrowFileException(XLastError(), m_strFileName);
    m_hFile.Reset(hFile);
}

void CFile::Write(const void* pBuffer, UINT nCount)
{
    const BYTE* pBytes = static_cast<const BYTE*>(pBuffer);
    while (nCount > 0) {
        DWORD nWritten = 0;
        if (!WriteFile(m_hFile.Get(), pBytes, nCount, &nWritten, nullptr))
            AfxThrowFileException(XLastError(), m_strFileName);
        if (nWritten == 0)
            AfxThrowFileException(ERROR_WRITE_FAULT, m_strFileName);
        pBytes += nWritten;
        nCount -= nWritten;
    }
}

void CFile::Close()
{
    if (!m_hFile.IsValid())
        return;
    const HANDLE hFile = m_hFile.Detach();
    if (!CloseHandle(hFile))
        AfxThrowFileException(XLastError(), m_strFileName);
}

bool CFile::Remove(const wchar_t* pszFileName)
{
    return DeleteFileW(pszFileName) != FALSE;
}

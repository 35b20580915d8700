#include "framework/HttpFile.h"

#include <utility>

#include "framework/InternetException.h"

CHttpFile::CHttpFile(CInternetHandle hFile) : m_hFile(std::move(hFile)) {}

bool CHttpFile::QueryInfo(DWORD dwInfoLevel, std::wstring& strValue) const
{
    strValue.clear();
    // Header fields are short; one retry with the size the library asks for covers the rest.
    std::wstring strBuffer(128, L'\0');
    for (int nAttempt = 0; nAttempt < 2; ++nAttempt) {
        DWORD nBytes = static_cast<DWORD>(strBuffer.size() * sizeof(wchar_t));
        if (HttpQueryInfoW(m_hFile.Get(), dwInfoLevel, strBuffer.data(), &nBytes, nullptr)) {
            strBuffer.resize(nBytes / sizeof(wchar_t));
            strValue = std::move(strBuffer);
            return true;
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            return false;
        strBuffer.assign(nBytes / sizeof(wchar_t) + 1, L'\0');
    }
    return false;
}

bool CHttpFile::QueryInfoStatusCode(DWORD& dwStatusCode) const
{
    DWORD nCode = 0;
    DWORD nBytes = sizeof(nCode);
    if (!HttpQueryInfoW(m_hFile.Get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &nCode, &nBytes, nullptr))
        return false;
    dwStatusCode = nCode;
    return true;
}

UINT CHttpFile::Read(void* pBuffer, UINT nCount)
{
    DWORD nRead = 0;
    if (!InternetReadFile(m_hFile.Get(), pBuffer, nCount, &nRead))
        AfxThrowInternetException(GetLastError());
    return nRead;
}

void CHttpFile::Close()
{
    m_hFile.Reset();
}

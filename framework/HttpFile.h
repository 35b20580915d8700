// The response stream of an HTTP request opened by CInternetSession::OpenURL: its header
// fields and its body. Owns the request handle. Read failures raise CInternetException.
#pragma once
#include <windows.h>

#include <string>

#include "framework/InternetHandle.h"

class CHttpFile {
public:
    explicit CHttpFile(CInternetHandle hFile);
    virtual ~CHttpFile() = default;
    CHttpFile(const CHttpFile&) = delete;
    CHttpFile& operator=(const CHttpFile&) = delete;

    // HttpQueryInfoW of one header field (an HTTP_QUERY_ value) as text; false and an empty
    // text when the response has no such field or the query fails.
    bool QueryInfo(DWORD dwInfoLevel, std::wstring& strValue) const;
    // The response's status code (200, 404...); false when it cannot be read.
    bool QueryInfoStatusCode(DWORD& dwStatusCode) const;
    // Reads nCount bytes of the body, fewer only at its end, waiting for them; 0 at the end.
    // Throws CInternetException.
    UINT Read(void* pBuffer, UINT nCount);
    // Closes the request; later reads fail.
    void Close();

    HINTERNET GetHandle() const { return m_hFile.Get(); }

private:
    CInternetHandle m_hFile;
};

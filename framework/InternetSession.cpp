#include "framework/InternetSession.h"

#include <string>

#include "app/Log.h"
#include "app/ResourceModule.h"
#include "app/StringLoader.h"
#include "app/SysWrappers.h"
#include "framework/InternetException.h"

namespace {

// The session of this thread whose status routine is installed; the routine's only way
// back to its object, as the library hands it the request's context value, not ours.
thread_local CInternetSession* t_pStatusSession = nullptr;

}  // namespace

void XInternetCloseHandle(HINTERNET hInternet)
{
    const DWORD nSaved = GetLastError();
    if (!InternetCloseHandle(hInternet))
        XLog(L"XInternetCloseHandle, InternetCloseHandle: 0x%x.\n", XLastError());
    SetLastError(nSaved);
}

CInternetSession::CInternetSession(const wchar_t* pszAgent, DWORD_PTR /*dwContext*/, DWORD dwAccessType,
                                   const wchar_t* pszProxyName, const wchar_t* pszProxyBypass, DWORD dwFlags)
{
    std::wstring strAgent;
    if (pszAgent) {
        strAgent = pszAgent;
    } else {
        XBuffer<wchar_t> title(LoadAppString(AfxGetInstanceHandle(), AFX_IDS_APP_TITLE));
        if (title)
            strAgent = title.Get();
    }
    m_hSession.Reset(InternetOpenW(strAgent.c_str(), dwAccessType, pszProxyName, pszProxyBypass, dwFlags));
    if (!m_hSession)
        AfxThrowInternetException(GetLastError());
}

CInternetSession::~CInternetSession()
{
    Close();
}

void CInternetSession::EnableStatusCallback(bool bEnable)
{
    if (!m_hSession)
        AfxThrowInternetException(ERROR_INVALID_HANDLE);
    if (InternetSetStatusCallbackW(m_hSession.Get(), bEnable ? &StatusRoutine : nullptr) ==
        INTERNET_INVALID_STATUS_CALLBACK)
        AfxThrowInternetException(GetLastError());
    if (bEnable)
        t_pStatusSession = this;
    else if (t_pStatusSession == this)
        t_pStatusSession = nullptr;
}

std::unique_ptr<CHttpFile> CInternetSession::OpenURL(const wchar_t* pszUrl, DWORD_PTR dwContext, DWORD dwFlags,
                                                     const wchar_t* pszHeaders, DWORD dwHeadersLength)
{
    if (!m_hSession)
        AfxThrowInternetException(ERROR_INVALID_HANDLE);
    CInternetHandle hFile(InternetOpenUrlW(m_hSession.Get(), pszUrl, pszHeaders, dwHeadersLength, dwFlags, dwContext));
    if (!hFile)
        AfxThrowInternetException(GetLastError());
    // The library also opens ftp and local addresses, whose handles are no HTTP response.
    DWORD nType = 0;
    DWORD nSize = sizeof(nType);
    if (!InternetQueryOptionW(hFile.Get(), INTERNET_OPTION_HANDLE_TYPE, &nType, &nSize) ||
        nType != INTERNET_HANDLE_TYPE_HTTP_REQUEST)
        AfxThrowInternetException(ERROR_INTERNET_UNRECOGNIZED_SCHEME);
    return std::make_unique<CHttpFile>(std::move(hFile));
}

void CInternetSession::Close()
{
    m_hSession.Reset();
    if (t_pStatusSession == this)
        t_pStatusSession = nullptr;
}

void CInternetSession::OnStatusCallback(DWORD_PTR, DWORD, LPVOID, DWORD) {}

void CALLBACK CInternetSession::StatusRoutine(HINTERNET, DWORD_PTR dwContext, DWORD dwInternetStatus,
                                              LPVOID pvStatusInformation, DWORD dwStatusInformationLength)
{
    if (CInternetSession* pSession = t_pStatusSession)
        pSession->OnStatusCallback(dwContext, dwInternetStatus, pvStatusInformation, dwStatusInformationLength);
}

// A session of the internet library (WinInet): the root of the requests a thread makes,
// synchronous, with the library's progress notifications routed to OnStatusCallback.
//
// A session belongs to the thread that makes it: the library calls the status routine on
// the thread of the call that causes the notification, and the routine finds the session
// as the one of that thread. Failures raise CInternetException.
#pragma once
#include <windows.h>

#include <wininet.h>

#include <memory>

#include "framework/HttpFile.h"
#include "framework/InternetHandle.h"

class CInternetSession {
public:
    // Opens the session (InternetOpenW). A null agent is the application's name, string
    // 57344 of the program's own module. Throws CInternetException if the library refuses.
    explicit CInternetSession(const wchar_t* pszAgent = nullptr, DWORD_PTR dwContext = 1,
                              DWORD dwAccessType = INTERNET_OPEN_TYPE_PRECONFIG, const wchar_t* pszProxyName = nullptr,
                              const wchar_t* pszProxyBypass = nullptr, DWORD dwFlags = 0);
    // Closes the session. A derived class that wants the notifications of the closing
    // closes it in its own destructor (here it is no longer itself).
    virtual ~CInternetSession();
    CInternetSession(const CInternetSession&) = delete;
    CInternetSession& operator=(const CInternetSession&) = delete;

    // Installs (or removes) the status routine (InternetSetStatusCallbackW); from then on
    // the thread's notifications reach OnStatusCallback. Throws CInternetException.
    void EnableStatusCallback(bool bEnable = true);

    // Opens an http or https URL (InternetOpenUrlW) and returns its response stream, the
    // header received. Any other kind of address is refused with
    // ERROR_INTERNET_UNRECOGNIZED_SCHEME. Throws CInternetException.
    std::unique_ptr<CHttpFile> OpenURL(const wchar_t* pszUrl, DWORD_PTR dwContext = 1,
                                       DWORD dwFlags = INTERNET_FLAG_TRANSFER_BINARY,
                                       const wchar_t* pszHeaders = nullptr, DWORD dwHeadersLength = 0);

    // Closes the session; the session object stays, without a handle.
    void Close();

    HINTERNET GetHandle() const { return m_hSession.Get(); }

protected:
    // A notification of the library, on the thread that made the call; the base does
    // nothing. Must not throw.
    virtual void OnStatusCallback(DWORD_PTR dwContext, DWORD dwInternetStatus, LPVOID pvStatusInformation,
                                  DWORD dwStatusInformationLength);

private:
    static void CALLBACK StatusRoutine(HINTERNET hInternet, DWORD_PTR dwContext, DWORD dwInternetStatus,
                                       LPVOID pvStatusInformation, DWORD dwStatusInformationLength);

    CInternetHandle m_hSession;
};

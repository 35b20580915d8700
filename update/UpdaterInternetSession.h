// The internet session of the updater's worker: synchronous, the system's proxy settings,
// the application's name as agent, and the library's progress notifications in the log.
#pragma once
#include <windows.h>

#include "framework/InternetSession.h"

class CUpdaterInternetSession : public CInternetSession {
public:
    // Opens the session (throws CInternetException when the library refuses), then enables
    // the notifications; without them (logged) the session works all the same.
    CUpdaterInternetSession();
    ~CUpdaterInternetSession() override;

    // Logs a finished status text at level 2 (at most 511 characters of it).
    static void SetStatus(const wchar_t* pszText);

protected:
    void OnStatusCallback(DWORD_PTR dwContext, DWORD dwInternetStatus, LPVOID pvStatusInformation,
                          DWORD dwStatusInformationLength) override;

private:
    void EnableStatusCallback();
};

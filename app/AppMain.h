// The application object: at every start it decides whether this process runs as the one
// notifier of the desktop, hands over to the one that runs, or stops it ("/STOP",
// "/BULLDOZE"); it holds the language library for the life of the process.
#pragma once
#include <windows.h>

#include "framework/WinApp.h"

// Marks the running instance: the main window is the one window of this class.
inline constexpr wchar_t kMainWindowClassName[] = L"CLASS_NAME_E9EA2470-3110-4a26-A0F4-261D9E43750A";

class CAppMain : public CWinApp {
public:
    CAppMain();
    ~CAppMain() override;

    bool InitInstance() override;
    int ExitInstance() override;

    // 0 when no instance runs or it has ended; otherwise an error code.
    DWORD TerminateExistingInstance();
    // Deletes the per-user settings tree; 0 or the registry's error code.
    LONG Bulldoze();

    HMODULE m_hLangDLL = nullptr;
    int32_t m_bStopMode = 0;
    DWORD m_nStopResult = 0;

private:
    // The module the main window class was registered under, null while it is not.
    HINSTANCE m_hClassModule = nullptr;
    bool m_bClassRegistered = false;
};

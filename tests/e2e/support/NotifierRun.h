// The real TessaroNotifier.exe as a black box: started under our debugger so that every
// log line it emits can be waited on, with its settings prepared in the registry first and
// its main window found by class and read from outside.
#pragma once
#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/support/ProgramProcess.h"

// The settings key of the program; tests own it while they run.
inline constexpr wchar_t kSettingsKey[] = L"Software\\Vantrel\\Tessaro Notifier";

// Writes "RouterAddress" (a loopback address: the program's default is a LAN address and
// must never be used here). Returns false if the registry refuses.
bool SetRouterAddress(const std::wstring& strAddress);
// Writes a string value of the settings section "Common".
bool WriteSetting(const wchar_t* pszName, const std::wstring& strValue);
// Deletes the program's per-user settings tree.
void DeleteSettings();
// Reads a string value of the settings section "Common"; empty if absent.
std::wstring ReadSetting(const wchar_t* pszName);

// A loopback port on which nothing listens: the program's connection attempts fail at
// once. 0 if none could be had.
uint16_t ClosedLoopbackPort();

class CNotifierRun {
public:
    CNotifierRun() = default;
    ~CNotifierRun();
    CNotifierRun(const CNotifierRun&) = delete;
    CNotifierRun& operator=(const CNotifierRun&) = delete;

    // Starts the program with the given arguments on a debugger thread of its own. The run
    // is bounded: the program is terminated after nLifetimeMs.
    bool Start(const std::wstring& strArguments, DWORD nLifetimeMs = 90000);
    // The same for a whole command line (the logon start of an installed copy, a setup).
    // With bFollowChildren the processes it starts are debugged too: their log lines are
    // the run's, and the run lasts until all have ended; its exit is the started one's.
    bool StartCommandLine(const std::wstring& strCommandLine, DWORD nLifetimeMs = 90000, bool bFollowChildren = false);

    // Waits for a log line containing text among the lines from index nFrom on; returns its
    // index or -1 after nTimeoutMs.
    int WaitForLine(const std::wstring& strText, DWORD nTimeoutMs, size_t nFrom = 0);
    // Number of log lines that hold text.
    size_t CountLines(const std::wstring& strText) const;
    std::vector<std::wstring> Lines() const;

    // Waits for the program's end; true with its exit code if it ended in time.
    bool WaitForExit(DWORD nTimeoutMs, DWORD* pExitCode = nullptr);
    bool HasExited() const;
    // Waits until every process of the run has ended; true if they did in time.
    bool WaitForEnd(DWORD nTimeoutMs);
    // The started process's id; 0 if it could not be started.
    DWORD ProcessId() const { return m_nProcessId; }

    // The program's main window, found by its class and owned by this process.
    HWND WaitForMainWindow(DWORD nTimeoutMs);
    // A top-level window of the class owned by this process (a message box is "#32770").
    HWND WaitForWindowOfClass(const wchar_t* pszClass, DWORD nTimeoutMs);
    // Right-clicks the program's tray icon, as the mouse gives it to the notification area,
    // and waits for the tray menu to show; null if it did not.
    HWND OpenTrayMenu();
    // Asks the program to end as a second start with "/STOP" would, and waits for its end.
    bool Stop(DWORD nTimeoutMs = 15000);

private:
    void OnString(const std::wstring& strText);
    void OnExit(DWORD nExitCode);

    std::thread m_thread;
    std::atomic<bool> m_bCancel = false;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::wstring> m_lines;  // each without its final line feed
    bool m_bStarted = false;
    bool m_bExited = false;  // the started process has ended
    bool m_bOver = false;    // the debugger thread is done
    DWORD m_nExitCode = 0;
    DWORD m_nProcessId = 0;
};

// The run's exit state and log lines, for a failure message.
std::string DescribeRun(const CNotifierRun& run);

// Number of top-level windows of the main window class, of any process.
int CountMainWindows();
// The process that owns a main window, once there is one other than nNotProcessId's; 0
// after the time-out.
DWORD WaitForMainWindowProcess(DWORD nTimeoutMs, DWORD nNotProcessId = 0);
// Asks every running notifier to end, as "/STOP" does, and waits until none is left.
bool StopNotifiers(DWORD nTimeoutMs = 15000);
// The full path of a process's program; empty if it cannot be had.
std::wstring ProcessImage(DWORD nProcessId);
// Runs a command line and waits until it and every process it started have ended, as an
// uninstaller that hands over to a copy of itself needs; false if that took too long.
bool RunTreeToEnd(const std::wstring& strCommandLine, DWORD nTimeoutMs);
// A text for a failure message (ASCII as it is, anything else as '?').
std::string Narrow(const std::wstring& text);

// The program's icon in the notification area: Wine shows each icon as a window of its own
// in its tray window, and nothing else puts one there in the sandbox. Null if none.
HWND FindTrayIcon();

// Text and visibility of a control of a window in another process.
std::wstring ControlText(HWND hWnd, int nId);
bool IsControlVisible(HWND hWnd, int nId);

// Waits until pred() holds, checking every 50 ms; false after nTimeoutMs.
template <typename TPred>
bool WaitUntil(TPred pred, DWORD nTimeoutMs)
{
    const ULONGLONG deadline = GetTickCount64() + nTimeoutMs;
    for (;;) {
        if (pred())
            return true;
        if (GetTickCount64() >= deadline)
            return false;
        Sleep(50);
    }
}

// The real TessaroNotifier.exe started plainly, as a user starts it (no debugger, no
// switches), for the probes that measure it from outside: its main window found by class
// and process, its end asked for as a "/STOP" start would.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

inline constexpr wchar_t kMainWindowClass[] = L"CLASS_NAME_E9EA2470-3110-4a26-A0F4-261D9E43750A";

// Full path of the program under test, beside the test binaries' build folder.
std::wstring NotifierPath();

// Seconds between two performance-counter readings.
double ElapsedSeconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to);
// The current performance-counter reading.
LARGE_INTEGER PerformanceNow();
double Median(std::vector<double> values);

class CProgramProcess {
public:
    CProgramProcess() = default;
    // Terminates the program if it still runs.
    ~CProgramProcess();
    CProgramProcess(const CProgramProcess&) = delete;
    CProgramProcess& operator=(const CProgramProcess&) = delete;

    bool Start(const std::wstring& strPath);
    // Seconds from CreateProcessW to the main window, or a negative value. Polls every 2 ms.
    double WaitForWindow(DWORD nTimeoutMs);
    void SleepUntil(double nSecondsAfterStart) const;
    // As a "/STOP" start would: close the main window, then wait for the end.
    bool Close();

    HWND MainWindow() const { return m_hWindow; }
    HANDLE ProcessHandle() const { return m_pi.hProcess; }
    DWORD ProcessId() const { return m_pi.dwProcessId; }
    const LARGE_INTEGER& StartedAt() const { return m_started; }
    // STILL_ACTIVE (0x103) while it runs.
    DWORD ExitCode() const;

private:
    PROCESS_INFORMATION m_pi = {};
    LARGE_INTEGER m_started = {};
    HWND m_hWindow = nullptr;
};

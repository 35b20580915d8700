// MeasureProbe.exe PROGRAM startup RUNS
// MeasureProbe.exe PROGRAM run SECONDS
// MeasureProbe.exe - idle SECONDS
// Measures the notifier from outside, started plainly (no debugger, no switches):
// - startup: RUNS times, the time from CreateProcessW to the main window's existence and
//   a "sample" line one second later; then the window is asked to close. Ends with the
//   median time.
// - run: one run; at 5 s and at 5 + SECONDS after CreateProcessW prints the process's
//   user and kernel time and memory (a "sample" line, flushed, so that a reader can take
//   its own figures at the same moment), then closes the program.
// Polls every 2 ms, so start-up times are good to about that.
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kMainWindowClass[] = L"CLASS_NAME_E9EA2470-3110-4a26-A0F4-261D9E43750A";

struct WindowSearch {
    DWORD nProcessId;
    HWND hFound;
};

BOOL CALLBACK FindWindowProc(HWND hWnd, LPARAM lParam)
{
    auto* pFind = reinterpret_cast<WindowSearch*>(lParam);
    wchar_t cls[64];
    DWORD nPid = 0;
    GetWindowThreadProcessId(hWnd, &nPid);
    if (nPid == pFind->nProcessId && GetClassNameW(hWnd, cls, 64) != 0 && lstrcmpW(cls, kMainWindowClass) == 0) {
        pFind->hFound = hWnd;
        return FALSE;
    }
    return TRUE;
}

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n == 0 ? 0.0 : (n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0);
}

class CProgram {
public:
    ~CProgram()
    {
        if (m_pi.hProcess != nullptr) {
            if (WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT)
                TerminateProcess(m_pi.hProcess, 1);
            CloseHandle(m_pi.hProcess);
            CloseHandle(m_pi.hThread);
        }
    }
    bool Start(const std::wstring& strPath)
    {
        std::wstring line = L"\"" + strPath + L"\"";
        STARTUPINFOW si = {};
        si.cb = sizeof(si);
        QueryPerformanceCounter(&m_started);
        if (!CreateProcessW(strPath.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &m_pi)) {
            std::fprintf(stderr, "MeasureProbe: cannot start the program, error %lu\n", GetLastError());
            m_pi = {};
            return false;
        }
        return true;
    }
    // Seconds from CreateProcessW to the main window, or a negative value.
    double WaitForWindow(DWORD nTimeoutMs)
    {
        const ULONGLONG deadline = GetTickCount64() + nTimeoutMs;
        WindowSearch find = {m_pi.dwProcessId, nullptr};
        while (GetTickCount64() < deadline) {
            EnumWindows(FindWindowProc, reinterpret_cast<LPARAM>(&find));
            if (find.hFound != nullptr) {
                LARGE_INTEGER now;
                QueryPerformanceCounter(&now);
                m_hWindow = find.hFound;
                return Seconds(m_started, now);
            }
            if (WaitForSingleObject(m_pi.hProcess, 2) == WAIT_OBJECT_0)
                break;
        }
        return -1.0;
    }
    void SleepUntil(double nSecondsAfterStart) const
    {
        for (;;) {
            LARGE_INTEGER now;
            QueryPerformanceCounter(&now);
            const double nLeft = nSecondsAfterStart - Seconds(m_started, now);
            if (nLeft <= 0)
                return;
            Sleep(static_cast<DWORD>(nLeft * 1000.0) + 1);
        }
    }
    void PrintSample(const char* pszLabel) const
    {
        FILETIME created, exited, kernel, user;
        PROCESS_MEMORY_COUNTERS_EX memory = {};
        memory.cb = sizeof(memory);
        const bool bTimes = GetProcessTimes(m_pi.hProcess, &created, &exited, &kernel, &user) != FALSE;
        const bool bMemory = GetProcessMemoryInfo(m_pi.hProcess, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                                                  sizeof(memory)) != FALSE;
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        auto ms = [](const FILETIME& t) {
            return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000.0;
        };
        std::printf("sample %s t=%.3f s user=%.1f ms kernel=%.1f ms private=%zu pagefile=%zu working_set=%zu%s\n",
                    pszLabel, Seconds(m_started, now), bTimes ? ms(user) : -1.0, bTimes ? ms(kernel) : -1.0,
                    static_cast<size_t>(memory.PrivateUsage), static_cast<size_t>(memory.PagefileUsage),
                    static_cast<size_t>(memory.WorkingSetSize), bTimes && bMemory ? "" : " (a query failed)");
        std::fflush(stdout);
    }
    // As a "/STOP" start would: close the main window, then wait for the end.
    bool Close()
    {
        if (m_hWindow != nullptr)
            PostMessageW(m_hWindow, WM_APP + 3, 0, 0);
        return WaitForSingleObject(m_pi.hProcess, 10000) == WAIT_OBJECT_0;
    }
    DWORD ProcessId() const { return m_pi.dwProcessId; }
    // STILL_ACTIVE (0x103) while it runs.
    DWORD ExitCode() const
    {
        DWORD nCode = 0;
        return GetExitCodeProcess(m_pi.hProcess, &nCode) ? nCode : 0xFFFFFFFF;
    }

private:
    PROCESS_INFORMATION m_pi = {};
    LARGE_INTEGER m_started = {};
    HWND m_hWindow = nullptr;
};

int MeasureStartup(const std::wstring& strPath, int nRuns)
{
    std::vector<double> times;
    for (int i = 1; i <= nRuns; ++i) {
        CProgram program;
        if (!program.Start(strPath))
            return 1;
        const double nSeconds = program.WaitForWindow(30000);
        if (nSeconds < 0) {
            std::fprintf(stderr, "MeasureProbe: run %d: no main window (exit code 0x%lx)\n", i, program.ExitCode());
            return 1;
        }
        std::printf("startup run %d: main window after %.1f ms\n", i, nSeconds * 1000.0);
        times.push_back(nSeconds * 1000.0);
        program.SleepUntil(nSeconds + 1.0);
        program.PrintSample("memory");
        // Time for a reader of the sample line to take its own figures.
        Sleep(1000);
        if (!program.Close())
            std::fprintf(stderr, "MeasureProbe: run %d: the program did not end\n", i);
    }
    std::printf("startup median of %d: main window after %.1f ms\n", nRuns, Median(times));
    return 0;
}

int MeasureRun(const std::wstring& strPath, int nSeconds)
{
    CProgram program;
    if (!program.Start(strPath))
        return 1;
    if (program.WaitForWindow(30000) < 0) {
        std::fprintf(stderr, "MeasureProbe: no main window\n");
        return 1;
    }
    std::printf("run: program process id %lu\n", program.ProcessId());
    program.SleepUntil(5.0);
    program.PrintSample("start");
    program.SleepUntil(5.0 + nSeconds);
    program.PrintSample("end");
    // Time for a reader of the sample line to take its own figures.
    Sleep(1000);
    return program.Close() ? 0 : 1;
}

// The timer's count of ticks, and when the idle run ends (GetTickCount64 values).
struct IdleState {
    ULONGLONG nStart;
    ULONGLONG nEnd;
    bool bStartSampled;
    int nTicks;
} g_idle;

void CALLBACK OnIdleTick(HWND hWnd, UINT, UINT_PTR nId, DWORD)
{
    const ULONGLONG now = GetTickCount64();
    if (nId == 1)
        ++g_idle.nTicks;
    else
        KillTimer(hWnd, nId);
    if (!g_idle.bStartSampled && now >= g_idle.nStart + 5000) {
        g_idle.bStartSampled = true;
        std::printf("sample start t=%.3f s\n", (now - g_idle.nStart) / 1000.0);
        std::fflush(stdout);
    }
    if (now >= g_idle.nEnd) {
        std::printf("sample end t=%.3f s ticks=%d\n", (now - g_idle.nStart) / 1000.0, g_idle.nTicks);
        std::fflush(stdout);
        Sleep(1000);
        PostQuitMessage(0);
    }
}

int MeasureIdle(int nSeconds)
{
    HWND hWnd = CreateWindowExW(0, L"STATIC", L"idle", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    if (hWnd == nullptr)
        return 1;
    g_idle = {GetTickCount64(), GetTickCount64() + 5000 + static_cast<ULONGLONG>(nSeconds) * 1000, false, 0};
    // The program's timer, and a one-off pair that marks the two sample moments.
    SetTimer(hWnd, 1, 4096, OnIdleTick);
    SetTimer(hWnd, 2, 5000, OnIdleTick);
    SetTimer(hWnd, 3, 5000 + static_cast<UINT>(nSeconds) * 1000, OnIdleTick);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
        DispatchMessageW(&msg);
    DestroyWindow(hWnd);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc == 4) {
        const int nCount = static_cast<int>(std::wcstol(argv[3], nullptr, 10));
        if (nCount > 0 && wcscmp(argv[2], L"startup") == 0)
            return MeasureStartup(argv[1], nCount);
        if (nCount > 0 && wcscmp(argv[2], L"run") == 0)
            return MeasureRun(argv[1], nCount);
        if (nCount > 0 && wcscmp(argv[2], L"idle") == 0)
            return MeasureIdle(nCount);
    }
    std::fprintf(stderr, "usage: MeasureProbe.exe PROGRAM startup RUNS | PROGRAM run SECONDS | - idle SECONDS\n");
    return 2;
}

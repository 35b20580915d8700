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

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "tests/e2e/support/ProgramProcess.h"

namespace {

// The process's user and kernel time and memory, as a "sample" line (flushed, so that a
// reader can take its own figures at the same moment).
void PrintSample(const CProgramProcess& program, const char* pszLabel)
{
    FILETIME created, exited, kernel, user;
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    memory.cb = sizeof(memory);
    const bool bTimes = GetProcessTimes(program.ProcessHandle(), &created, &exited, &kernel, &user) != FALSE;
    const bool bMemory =
        GetProcessMemoryInfo(program.ProcessHandle(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                             sizeof(memory)) != FALSE;
    auto ms = [](const FILETIME& t) {
        return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000.0;
    };
    std::printf("sample %s t=%.3f s user=%.1f ms kernel=%.1f ms private=%zu pagefile=%zu working_set=%zu%s\n", pszLabel,
                ElapsedSeconds(program.StartedAt(), PerformanceNow()), bTimes ? ms(user) : -1.0,
                bTimes ? ms(kernel) : -1.0, static_cast<size_t>(memory.PrivateUsage),
                static_cast<size_t>(memory.PagefileUsage), static_cast<size_t>(memory.WorkingSetSize),
                bTimes && bMemory ? "" : " (a query failed)");
    std::fflush(stdout);
}

int MeasureStartup(const std::wstring& strPath, int nRuns)
{
    std::vector<double> times;
    for (int i = 1; i <= nRuns; ++i) {
        CProgramProcess program;
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
        PrintSample(program, "memory");
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
    CProgramProcess program;
    if (!program.Start(strPath))
        return 1;
    if (program.WaitForWindow(30000) < 0) {
        std::fprintf(stderr, "MeasureProbe: no main window\n");
        return 1;
    }
    std::printf("run: program process id %lu\n", program.ProcessId());
    program.SleepUntil(5.0);
    PrintSample(program, "start");
    program.SleepUntil(5.0 + nSeconds);
    PrintSample(program, "end");
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

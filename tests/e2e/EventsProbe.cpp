// EventsProbe.exe [PROGRAM] [--samples N] [--popups N] [--cycles N]
// The real notifier's events measured from outside (behind tools/measure_events.sh). The
// program (default: TessaroNotifier.exe of this build) is started plainly (no "/LOG", no
// debugger) with "RouterAddress" set to a router that this probe plays on 127.0.0.1, and
// the probe measures:
// - the time from the router's SMS bytes (the moment its write returned) to the popup's
//   window being visible, N samples (default 20); each popup is closed by its close button
//   before the next SMS;
// - the program's USER and GDI objects after its first popup and after N more (default
//   1000). A popup would stay 6 s; each is closed by a click on its close button as soon
//   as it shows, which is the program's own close path. The kinds take turns: error,
//   call, SMS, update;
// - the same after the first link up/down cycle and after N more (default 1000). In each,
//   the router sends the registration, the signal and the users, and closes the link; the
//   program's timer would reconnect at its next tick, up to 4 s later, so the probe posts
//   that tick (WM_TIMER) to the main window until it reconnects.
// The objects: GetGuiResources where the system counts them; Wine 8 answers 0 there, so
// under Wine the GDI objects are counted in the program's GDI handle table (read from its
// memory) and the USER objects by the kind that popups and links make, its windows.
// Exit code 0 when everything was measured and the counts held, 1 when not, 2 for usage.
#include <windows.h>
#include <winsock2.h>

#include <winternl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "tests/e2e/support/DesktopAlerts.h"
#include "tests/e2e/support/ProgramProcess.h"
#include "tools/sim/RouterServer.h"

namespace {

constexpr wchar_t kSettingsKey[] = L"Software\\Vantrel\\Tessaro Notifier\\Common";
constexpr DWORD kWaitMs = 20000;

struct Options {
    std::wstring strProgram;
    int nSamples = 20;
    int nPopups = 1000;
    int nCycles = 1000;
};

struct GuiObjects {
    DWORD nUser = 0;
    DWORD nGdi = 0;
    bool bBySystem = false;
    bool operator==(const GuiObjects& other) const { return nUser == other.nUser && nGdi == other.nGdi; }
};

BOOL CALLBACK CountWindowProc(HWND hWnd, LPARAM lParam)
{
    auto& count = *reinterpret_cast<std::pair<DWORD, DWORD>*>(lParam);
    DWORD nPid = 0;
    GetWindowThreadProcessId(hWnd, &nPid);
    if (nPid == count.first)
        ++count.second;
    EnumChildWindows(hWnd, CountWindowProc, lParam);
    return TRUE;
}

// Wine 8 keeps a process's GDI objects in a table that its process environment block points
// to: 65536 entries of 24 bytes, the object's type at byte 14, 0 for a free entry.
DWORD CountGdiHandleTable(HANDLE hProcess)
{
    constexpr size_t kTableOffset = 0xF8;  // GdiSharedHandleTable of the 64-bit block
    constexpr size_t kEntries = 0x10000;
    constexpr size_t kEntrySize = 24;
    using QueryFn = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, void*, ULONG, ULONG*);
    const auto pfnQuery = reinterpret_cast<QueryFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic = {};
    if (pfnQuery == nullptr || pfnQuery(hProcess, ProcessBasicInformation, &basic, sizeof(basic), nullptr) != 0)
        return 0;
    const BYTE* pTable = nullptr;
    if (!ReadProcessMemory(hProcess, reinterpret_cast<const BYTE*>(basic.PebBaseAddress) + kTableOffset, &pTable,
                           sizeof(pTable), nullptr) ||
        pTable == nullptr)
        return 0;
    std::vector<BYTE> table(kEntries * kEntrySize);
    // Page by page: a part of the table may not be committed yet.
    constexpr size_t kPage = 4096;
    for (size_t nAt = 0; nAt < table.size(); nAt += kPage) {
        if (!ReadProcessMemory(hProcess, pTable + nAt, table.data() + nAt, kPage, nullptr))
            std::fill(table.begin() + static_cast<std::ptrdiff_t>(nAt),
                      table.begin() + static_cast<std::ptrdiff_t>(nAt + kPage), 0);
    }
    DWORD nCount = 0;
    for (size_t i = 0; i < kEntries; ++i)
        nCount += table[i * kEntrySize + 14] != 0 ? 1 : 0;
    return nCount;
}

GuiObjects CountGuiObjects(const CProgramProcess& program)
{
    GuiObjects objects{GetGuiResources(program.ProcessHandle(), GR_USEROBJECTS),
                       GetGuiResources(program.ProcessHandle(), GR_GDIOBJECTS), true};
    if (objects.nUser == 0 && objects.nGdi == 0) {
        std::pair<DWORD, DWORD> windows{program.ProcessId(), 0};
        EnumWindows(CountWindowProc, reinterpret_cast<LPARAM>(&windows));
        objects = GuiObjects{windows.second, CountGdiHandleTable(program.ProcessHandle()), false};
    }
    return objects;
}

// The counts once they have settled: two readings 200 ms apart agree.
GuiObjects SettledObjects(const CProgramProcess& program)
{
    GuiObjects last = CountGuiObjects(program);
    for (int i = 0; i < 25; ++i) {
        Sleep(200);
        const GuiObjects now = CountGuiObjects(program);
        if (now == last)
            return now;
        last = now;
    }
    return last;
}

// Any window of the popup class of the process, shown or hidden.
bool HasPopupWindow(DWORD nProcessId)
{
    for (HWND hWnd = FindWindowExW(nullptr, nullptr, kPopupClass, nullptr); hWnd != nullptr;
         hWnd = FindWindowExW(nullptr, hWnd, kPopupClass, nullptr)) {
        DWORD nPid = 0;
        GetWindowThreadProcessId(hWnd, &nPid);
        if (nPid == nProcessId)
            return true;
    }
    return false;
}

template <typename TPred>
bool WaitFor(TPred pred, DWORD nTimeoutMs, DWORD nPollMs = 1)
{
    const ULONGLONG deadline = GetTickCount64() + nTimeoutMs;
    while (!pred()) {
        if (GetTickCount64() >= deadline)
            return false;
        Sleep(nPollMs);
    }
    return true;
}

class CEventsBench {
public:
    CEventsBench(CRouterServer& router, CProgramProcess& program) : m_router(router), m_program(program) {}

    // Called on the router's thread with each log line.
    void OnLog(const std::string& line)
    {
        if (line.find("sent type 2 ") == std::string::npos)
            return;
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lastSmsSent = PerformanceNow();
        ++m_nSmsSent;
    }

    // One popup: the event sent, the popup awaited and closed by its close button.
    // nLatencyMs: from the SMS's bytes to the popup visible, for an SMS.
    bool OnePopup(const std::string& steps, double* pLatencyMs = nullptr)
    {
        size_t nSentBefore = 0;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            nSentBefore = m_nSmsSent;
        }
        if (!m_router.AddSteps(steps)) {
            std::fprintf(stderr, "EventsProbe: the router refused a step: %s\n", m_router.Error().c_str());
            return false;
        }
        HWND hPopup = nullptr;
        if (!WaitFor(
                [&] {
                    std::vector<HWND> popups = VisiblePopups(m_program.ProcessId());
                    hPopup = popups.empty() ? nullptr : popups.front();
                    return hPopup != nullptr;
                },
                kWaitMs)) {
            std::fprintf(stderr, "EventsProbe: no popup for: %s", steps.c_str());
            return false;
        }
        const LARGE_INTEGER shown = PerformanceNow();
        if (pLatencyMs != nullptr) {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_nSmsSent != nSentBefore + 1) {
                std::fprintf(stderr, "EventsProbe: the SMS was not sent once\n");
                return false;
            }
            *pLatencyMs = 1000.0 * ElapsedSeconds(m_lastSmsSent, shown);
        }
        PostClick(hPopup, PopupClosePoint(hPopup));
        if (!WaitFor([&] { return !HasPopupWindow(m_program.ProcessId()); }, kWaitMs)) {
            std::fprintf(stderr, "EventsProbe: the popup did not close by its close button\n");
            return false;
        }
        return true;
    }

    std::string NextPopupSteps(int i)
    {
        switch (i % 4) {
        case 0:
            return "send error \"SIM card missing\"\n";
        case 1:
            return "send call \"+4917700001\"\n";
        case 2:
            return SmsSteps();
        default:
            return "send liveupdate 2\n";
        }
    }
    std::string SmsSteps() { return "send sms " + std::to_string(++m_nSmsId) + " \"07/03/2009 14:05\" \"+4917712345\" \"See you at eight.\"\n"; }

    // One link cycle: the router's state, then the router closes; the program's tick, posted
    // until it has connected again.
    bool OneLinkCycle()
    {
        const int nConnections = m_router.ConnectionCount();
        if (!m_router.AddSteps("send registration 1 3 5 \"Provider\"\nsend signal 3\nsend users 1 2\nsleep 20\nclose\n")) {
            std::fprintf(stderr, "EventsProbe: the router refused a step: %s\n", m_router.Error().c_str());
            return false;
        }
        const std::string closed = "closed " + std::to_string(nConnections);
        if (m_router.WaitForLog(closed, kWaitMs, m_nLogFrom) < 0) {
            std::fprintf(stderr, "EventsProbe: the router did not close link %d\n", nConnections);
            return false;
        }
        const bool bBack = WaitFor(
            [&] {
                PostMessageW(m_program.MainWindow(), WM_TIMER, 1, 0);
                return m_router.ConnectionCount() > nConnections;
            },
            kWaitMs, 20);
        m_nLogFrom = m_router.LogLines().size();
        if (!bBack)
            std::fprintf(stderr, "EventsProbe: the program did not connect again after link %d\n", nConnections);
        return bBack;
    }

private:
    CRouterServer& m_router;
    CProgramProcess& m_program;
    std::mutex m_mutex;
    LARGE_INTEGER m_lastSmsSent = {};
    size_t m_nSmsSent = 0;
    int m_nSmsId = 0;
    size_t m_nLogFrom = 0;
};

void PrintObjects(const char* pszWhat, const GuiObjects& first, const GuiObjects& after, int nCount, double nSeconds)
{
    std::printf("%-30s USER %5lu  GDI %5lu   after %d more: USER %5lu  GDI %5lu   %s  (%.1f s, %.1f/s)\n", pszWhat,
                first.nUser, first.nGdi, nCount, after.nUser, after.nGdi, first == after ? "equal" : "DIFFERENT",
                nSeconds, nSeconds > 0 ? nCount / nSeconds : 0.0);
}

int Run(const Options& options)
{
    CRouterServer router;
    CEventsBench* pBench = nullptr;
    std::mutex benchMutex;
    RouterServerOptions routerOptions;
    routerOptions.nLifetimeMs = 3600000;
    routerOptions.bOpenScript = true;
    routerOptions.onLog = [&](const std::string& line) {
        std::lock_guard<std::mutex> lock(benchMutex);
        if (pBench != nullptr)
            pBench->OnLog(line);
    };
    if (!router.Start(0, "wait-connect 60000\n", routerOptions)) {
        std::fprintf(stderr, "EventsProbe: the router did not start: %s\n", router.Error().c_str());
        return 1;
    }
    // Loopback only, and before the program reads it; the SMS ids count from 1 again, so
    // that no id stored by an earlier run holds them back.
    const std::wstring address = L"127.0.0.1:" + std::to_wstring(router.Port());
    const std::pair<const wchar_t*, std::wstring> settings[] = {{L"RouterAddress", address},
                                                                {L"LastReceivedSmsId", L"0"}};
    for (const auto& setting : settings) {
        if (RegSetKeyValueW(HKEY_CURRENT_USER, kSettingsKey, setting.first, REG_SZ, setting.second.c_str(),
                            static_cast<DWORD>((setting.second.size() + 1) * sizeof(wchar_t))) != ERROR_SUCCESS) {
            std::fprintf(stderr, "EventsProbe: cannot write %ls\n", setting.first);
            return 1;
        }
    }
    std::printf("router on %ls; program %ls\n", address.c_str(), options.strProgram.c_str());
    CProgramProcess program;
    if (!program.Start(options.strProgram) || program.WaitForWindow(30000) < 0) {
        std::fprintf(stderr, "EventsProbe: no main window (exit code 0x%lx)\n", program.ExitCode());
        return 1;
    }
    if (router.WaitForLog("connected 1", 60000) < 0) {
        std::fprintf(stderr, "EventsProbe: the program did not connect\n");
        return 1;
    }
    CEventsBench bench(router, program);
    {
        std::lock_guard<std::mutex> lock(benchMutex);
        pBench = &bench;
    }

    bool bOk = true;
    std::vector<double> latencies;
    for (int i = 0; bOk && i < options.nSamples; ++i) {
        double nMs = 0;
        bOk = bench.OnePopup(bench.SmsSteps(), &nMs);
        latencies.push_back(nMs);
    }

    GuiObjects firstPopup, afterPopups, firstLink, afterLinks;
    double nPopupSeconds = 0, nLinkSeconds = 0;
    if (bOk) {
        bOk = bench.OnePopup(bench.NextPopupSteps(0));
        firstPopup = SettledObjects(program);
        const LARGE_INTEGER start = PerformanceNow();
        for (int i = 1; bOk && i <= options.nPopups; ++i)
            bOk = bench.OnePopup(bench.NextPopupSteps(i));
        nPopupSeconds = ElapsedSeconds(start, PerformanceNow());
        afterPopups = SettledObjects(program);
    }
    if (bOk) {
        bOk = bench.OneLinkCycle();
        firstLink = SettledObjects(program);
        const LARGE_INTEGER start = PerformanceNow();
        for (int i = 0; bOk && i < options.nCycles; ++i)
            bOk = bench.OneLinkCycle();
        nLinkSeconds = ElapsedSeconds(start, PerformanceNow());
        afterLinks = SettledObjects(program);
    }
    {
        std::lock_guard<std::mutex> lock(benchMutex);
        pBench = nullptr;
    }
    router.AddSteps("end\n");
    if (!program.Close())
        std::fprintf(stderr, "EventsProbe: the program did not end when asked\n");
    if (!bOk)
        return 1;

    std::vector<double> sorted = latencies;
    std::sort(sorted.begin(), sorted.end());
    std::printf("\nSMS bytes to popup visible: median %.1f ms of %zu (min %.1f, max %.1f)   goal < 100 ms\n",
                Median(latencies), latencies.size(), sorted.front(), sorted.back());
    std::printf("objects counted by %s\n", firstPopup.bBySystem ? "GetGuiResources"
                                                                  : "the program's windows and Wine's GDI table");
    PrintObjects("after the first popup:", firstPopup, afterPopups, options.nPopups, nPopupSeconds);
    PrintObjects("after the first link cycle:", firstLink, afterLinks, options.nCycles, nLinkSeconds);
    std::fflush(stdout);
    return firstPopup == afterPopups && firstLink == afterLinks && firstPopup.nGdi > 0 ? 0 : 1;
}

bool ParseCount(const wchar_t* psz, int nMin, int nMax, int& nValue)
{
    wchar_t* pEnd = nullptr;
    const long n = std::wcstol(psz, &pEnd, 10);
    if (pEnd == psz || *pEnd != L'\0' || n < nMin || n > nMax)
        return false;
    nValue = static_cast<int>(n);
    return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    Options options;
    options.strProgram = NotifierPath();
    int nFirst = 1;
    if (argc >= 2 && std::wcsncmp(argv[1], L"--", 2) != 0)
        options.strProgram = argv[nFirst++];
    bool bOk = (argc - nFirst) % 2 == 0;
    for (int i = nFirst; bOk && i + 1 < argc; i += 2) {
        const std::wstring name = argv[i];
        if (name == L"--samples")
            bOk = ParseCount(argv[i + 1], 1, 1000, options.nSamples);
        else if (name == L"--popups")
            bOk = ParseCount(argv[i + 1], 1, 100000, options.nPopups);
        else if (name == L"--cycles")
            bOk = ParseCount(argv[i + 1], 1, 100000, options.nCycles);
        else
            bOk = false;
    }
    if (!bOk) {
        std::fprintf(stderr, "usage: EventsProbe.exe [PROGRAM] [--samples N] [--popups N] [--cycles N]\n");
        return 2;
    }
    return Run(options);
}

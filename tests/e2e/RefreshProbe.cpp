// RefreshProbe.exe [PROGRAM] [--seconds S] [--samples K] [--floor-seconds F]
// How fast the real notifier takes a flood of status messages, measured from outside (behind
// tools/bench-refresh.sh). The program (default: TessaroNotifier.exe of this build) is
// started plainly (no "/LOG", no debugger) with "RouterAddress" set to a router that this
// probe plays on 127.0.0.1 (a free port), and it measures, for two floods of signal
// messages (one that repeats the same level, one that changes it with every message, 0 to
// 5 in turn):
// - the rate: the router sends N messages, then one user-count message (the marker), and
//   the rate is N over the time from the flood's first byte to the marker's text in the
//   users control. Whatever the socket buffers hold is processed before the marker, so N
//   is exact. N is chosen from calibration floods so that the floods last about S seconds
//   in all; they are six, so that the floor can be measured between them.
// - the answer to the show request (WM_APP+2, as a second start posts it) posted while a
//   flood is being processed: the time until the status window is visible, K samples.
// and, in the same run, the floor: as many Shell_NotifyIconW(NIM_MODIFY) calls as this
// process can make with the program's tray images in turn, F seconds in six slices, one
// before each flood of the changing state, so that a change of the machine's load meets
// both alike.
// The window is read from outside without sending it anything (InternalGetWindowText and
// the visible style are kept by the window system), so that the reading costs the program
// nothing. Exit code 0 when everything could be measured, 1 when not, 2 for usage.
#include <windows.h>
#include <winsock2.h>

#include <shellapi.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/e2e/support/ProgramProcess.h"
#include "tools/sim/RouterServer.h"

namespace {

constexpr wchar_t kSettingsKey[] = L"Software\\Vantrel\\Tessaro Notifier\\Common";
constexpr UINT kShowRequest = WM_APP + 2;
// The router's whole life; the sandbox bounds the run as a whole too.
constexpr int64_t kRouterLifetimeMs = 600000;
// No single wait of the probe is longer: a flood sized for a few seconds that takes this
// long means the measurement went wrong.
constexpr DWORD kWaitBoundMs = 120000;
// Calibration: floods grow until one takes this long, from this many messages.
constexpr double kCalibrationSeconds = 0.5;
constexpr uint64_t kFirstFlood = 60;
constexpr uint64_t kMaxFlood = 20000000;
// A rate is taken over this many floods, each preceded by a slice of what it is compared with
// (the load of a shared machine comes in bursts of seconds).
constexpr int kRounds = 6;
// The show requests: the flood behind each is sized for this long (at most S), a request
// goes out this long after its flood started, and the samples of one flood state are taken
// within this.
constexpr double kLatencyFloodSeconds = 3.0;
constexpr DWORD kRequestDelayMs = 100;
constexpr double kLatencyPhaseSeconds = 60.0;

struct Options {
    std::wstring strProgram;
    double nSeconds = 5.0;
    int nSamples = 7;
    double nFloorSeconds = 3.0;
};

// One kind of flood: the levels it cycles through.
struct FloodState {
    const char* pszName;
    const char* pszLevels;
    uint64_t nCycle;  // messages in one cycle; floods are whole cycles
};

constexpr FloodState kUnchanged = {"unchanged", "3", 1};
constexpr FloodState kChanging = {"changing", "0 1 2 3 4 5", 6};

// A count over a time, taken in parts: the floods of a rate, the slices of the floor.
struct Throughput {
    uint64_t nCount = 0;
    double nSeconds = 0;
    std::vector<double> partRates;

    void Add(uint64_t nPartCount, double nPartSeconds)
    {
        nCount += nPartCount;
        nSeconds += nPartSeconds;
        partRates.push_back(nPartSeconds > 0 ? static_cast<double>(nPartCount) / nPartSeconds : 0);
    }
    double Rate() const { return nSeconds > 0 ? static_cast<double>(nCount) / nSeconds : 0; }
};

// The median of the ratios of the parts taken side by side: a burst of load that meets one
// part only moves it less than the ratio of the totals.
double MedianRatio(const Throughput& a, const Throughput& b)
{
    std::vector<double> ratios;
    for (size_t i = 0; i < a.partRates.size() && i < b.partRates.size(); ++i)
        if (b.partRates[i] > 0)
            ratios.push_back(a.partRates[i] / b.partRates[i]);
    return Median(ratios);
}

struct LatencyResult {
    std::vector<double> samplesMs;
};

uint64_t RoundToCycle(double nMessages, uint64_t nCycle)
{
    const double nCycles = std::max(1.0, std::ceil(nMessages / static_cast<double>(nCycle)));
    return std::min(kMaxFlood, static_cast<uint64_t>(nCycles) * nCycle);
}

// The router in this process: an open script that gets one flood and its marker at a time.
// Flood k is followed by the user count k, which the users control then shows.
class CFloodRouter {
public:
    bool Start()
    {
        RouterServerOptions options;
        options.nLifetimeMs = kRouterLifetimeMs;
        options.bOpenScript = true;
        options.onLog = [this](const std::string& line) { OnLog(line); };
        // A known state before the floods: registered, signal 3, user counts 0 and 0.
        const bool bStarted = m_server.Start(0,
                                             "wait-connect 60000\n"
                                             "send registration 1 3 5 \"Bench\"\n"
                                             "send signal 3\n"
                                             "send users 2 0\n"
                                             "send users 1 0\n",
                                             options);
        if (!bStarted)
            std::fprintf(stderr, "RefreshProbe: the router did not start: %s\n", m_server.Error().c_str());
        return bStarted;
    }
    uint16_t Port() const { return m_server.Port(); }

    // Queues a flood and its marker; returns the marker's number, or 0.
    int AddFlood(const FloodState& state, uint64_t nCount)
    {
        const int nMarker = m_nFloods + 1;
        const std::string steps = "flood " + std::to_string(nCount) + " signal " + state.pszLevels + "\nsend users 1 " +
                                  std::to_string(nMarker) + "\n";
        if (!m_server.AddSteps(steps)) {
            std::fprintf(stderr, "RefreshProbe: the router refused a flood: %s\n", m_server.Error().c_str());
            return 0;
        }
        m_nFloods = nMarker;
        return nMarker;
    }

    // When flood k was about to send its first byte; false if it has not started.
    bool FloodStart(int nFlood, LARGE_INTEGER& at) const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto it = m_starts.find(nFlood);
        if (it == m_starts.end())
            return false;
        at = it->second;
        return true;
    }

    void End() { m_server.AddSteps("end\n"); }

private:
    // "[  12.345] flood 3: 600 messages of type 6 (3600 bytes)": taken on the router's
    // thread just before the first byte goes out.
    void OnLog(const std::string& line)
    {
        const LARGE_INTEGER now = PerformanceNow();
        const size_t nAt = line.find("] flood ");
        if (nAt == std::string::npos)
            return;
        char* pEnd = nullptr;
        const long nFlood = std::strtol(line.c_str() + nAt + 8, &pEnd, 10);
        if (pEnd == nullptr || *pEnd != ':')
            return;
        std::lock_guard<std::mutex> lock(m_mutex);
        m_starts[static_cast<int>(nFlood)] = now;
    }

    CRouterServer m_server;
    int m_nFloods = 0;
    mutable std::mutex m_mutex;
    std::map<int, LARGE_INTEGER> m_starts;
};

// The program's main window, read from outside.
class CWindowWatch {
public:
    explicit CWindowWatch(const CProgramProcess& program) : m_program(program) {}

    // The number the users control ends with ("Connected users: 7"), or -1.
    long UserCount() const
    {
        // The main window is found as soon as it exists, before its controls do.
        if (m_hUsers == nullptr)
            m_hUsers = GetDlgItem(m_program.MainWindow(), IDC_USERS);
        wchar_t text[128] = {};
        if (m_hUsers == nullptr || InternalGetWindowText(m_hUsers, text, 128) <= 0)
            return -1;
        const wchar_t* pNumber = std::wcsrchr(text, L' ');
        if (pNumber == nullptr)
            return -1;
        wchar_t* pEnd = nullptr;
        const long n = std::wcstol(pNumber + 1, &pEnd, 10);
        return (pEnd != pNumber + 1 && *pEnd == L'\0') ? n : -1;
    }
    bool MarkerSeen(int nMarker) const { return UserCount() >= nMarker; }
    bool IsShown() const { return IsWindowVisible(m_program.MainWindow()) != FALSE; }

    // Polls pred() about every millisecond until it holds; false after nBoundMs or when the
    // program has ended. at is the moment it was seen to hold.
    template <typename TPred>
    bool WaitFor(TPred pred, DWORD nBoundMs, LARGE_INTEGER& at) const
    {
        const ULONGLONG nDeadline = GetTickCount64() + nBoundMs;
        for (;;) {
            if (pred()) {
                at = PerformanceNow();
                return true;
            }
            if (GetTickCount64() >= nDeadline || WaitForSingleObject(m_program.ProcessHandle(), 0) == WAIT_OBJECT_0)
                return false;
            Sleep(1);
        }
    }

private:
    const CProgramProcess& m_program;
    mutable HWND m_hUsers = nullptr;
};

class CRefreshBench {
public:
    CRefreshBench(CFloodRouter& router, const CWindowWatch& window, HWND hMain)
        : m_router(router), m_window(window), m_hMain(hMain)
    {
    }

    // One flood of nCount messages and its marker: seconds from the first byte to the
    // marker seen, or a negative value.
    double TimeFlood(const FloodState& state, uint64_t nCount)
    {
        const int nMarker = m_router.AddFlood(state, nCount);
        LARGE_INTEGER seen, start;
        if (nMarker == 0 || !m_window.WaitFor([&] { return m_window.MarkerSeen(nMarker); }, kWaitBoundMs, seen) ||
            !m_router.FloodStart(nMarker, start)) {
            std::fprintf(stderr, "RefreshProbe: %s flood of %llu messages: no marker %d within %lu ms\n", state.pszName,
                         static_cast<unsigned long long>(nCount), nMarker, kWaitBoundMs);
            return -1;
        }
        const double nSeconds = ElapsedSeconds(start, seen);
        std::printf("  %s flood of %llu messages: %.3f s, %.0f/s\n", state.pszName,
                    static_cast<unsigned long long>(nCount), nSeconds, static_cast<double>(nCount) / nSeconds);
        std::fflush(stdout);
        return nSeconds;
    }

    // After a first flood that only warms up (the first changes of a kind cost more), grows
    // floods from a few messages until one is long enough to time, then sizes floods for
    // nTargetSeconds in all from the rate seen and times them: kRounds floods, each after a
    // call of between() (false ends the measurement), so that a change of the machine's
    // load meets what between() measures alike.
    template <typename TBetween>
    bool MeasureRate(const FloodState& state, double nTargetSeconds, TBetween between, Throughput& result)
    {
        uint64_t nCount = RoundToCycle(static_cast<double>(kFirstFlood), state.nCycle);
        double nSeconds = TimeFlood(state, nCount);
        if (nSeconds < 0)
            return false;
        for (;;) {
            nSeconds = TimeFlood(state, nCount);
            if (nSeconds < 0)
                return false;
            if (nSeconds >= std::min(kCalibrationSeconds, nTargetSeconds / kRounds) || nCount >= kMaxFlood)
                break;
            // The first floods are mostly fixed costs: grow at most tenfold a step.
            const double nFactor = nSeconds > 0 ? std::clamp(1.2 * kCalibrationSeconds / nSeconds, 2.0, 10.0) : 10.0;
            nCount = RoundToCycle(static_cast<double>(nCount) * nFactor, state.nCycle);
        }
        const double nRate = static_cast<double>(nCount) / nSeconds;
        const uint64_t nRoundCount = RoundToCycle(nRate * nTargetSeconds / kRounds, state.nCycle);
        for (int i = 0; i < kRounds; ++i) {
            if (!between())
                return false;
            nSeconds = TimeFlood(state, nRoundCount);
            if (nSeconds < 0)
                return false;
            result.Add(nRoundCount, nSeconds);
        }
        m_nRate = result.Rate();
        return true;
    }

    // Show requests posted while a flood is being processed, each answered when the window
    // shows; the window is hidden again from outside before the next one, and each request
    // goes out a moment after its flood has started, so that it meets the flood under way.
    bool MeasureShowRequests(const FloodState& state, int nSamples, double nFloodSeconds, LatencyResult& result)
    {
        const uint64_t nCount = RoundToCycle(m_nRate * std::min(nFloodSeconds, kLatencyFloodSeconds), state.nCycle);
        const LARGE_INTEGER phaseStart = PerformanceNow();
        int nMarker = 0;
        while (static_cast<int>(result.samplesMs.size()) < nSamples &&
               ElapsedSeconds(phaseStart, PerformanceNow()) < kLatencyPhaseSeconds) {
            LARGE_INTEGER at;
            if (nMarker == 0 || m_window.MarkerSeen(nMarker)) {
                nMarker = m_router.AddFlood(state, nCount);
                if (nMarker == 0 ||
                    !m_window.WaitFor([&] { return m_router.FloodStart(nMarker, at); }, kWaitBoundMs, at))
                    return false;
            }
            Sleep(kRequestDelayMs);
            // A request counts only if it went out before the flood was done.
            const bool bDuringFlood = !m_window.MarkerSeen(nMarker);
            const LARGE_INTEGER posted = PerformanceNow();
            PostMessageW(m_hMain, kShowRequest, 0, 0);
            LARGE_INTEGER shown;
            if (!m_window.WaitFor([&] { return m_window.IsShown(); }, kWaitBoundMs, shown)) {
                std::fprintf(stderr, "RefreshProbe: the status window did not show within %lu ms\n", kWaitBoundMs);
                return false;
            }
            ShowWindowAsync(m_hMain, SW_HIDE);
            if (!m_window.WaitFor([&] { return !m_window.IsShown(); }, kWaitBoundMs, at)) {
                std::fprintf(stderr, "RefreshProbe: the status window did not hide within %lu ms\n", kWaitBoundMs);
                return false;
            }
            if (bDuringFlood) {
                result.samplesMs.push_back(ElapsedSeconds(posted, shown) * 1000.0);
                std::printf("  show request during the %s flood: %.1f ms\n", state.pszName, result.samplesMs.back());
                std::fflush(stdout);
            }
        }
        // The rest of the last flood, so that the next measurement starts from a quiet link.
        LARGE_INTEGER at;
        if (nMarker != 0 && !m_window.WaitFor([&] { return m_window.MarkerSeen(nMarker); }, kWaitBoundMs, at))
            return false;
        return !result.samplesMs.empty();
    }

private:
    CFloodRouter& m_router;
    const CWindowWatch& m_window;
    HWND m_hMain;
    double m_nRate = 0;  // messages per second of the last rate measured
};

// Holds the floor's tray icon and the images it shows, and removes them again.
class CFloorIcon {
public:
    ~CFloorIcon()
    {
        if (m_bAdded)
            Shell_NotifyIconW(NIM_DELETE, &m_data);
        for (HICON hIcon : m_icons)
            DestroyIcon(hIcon);
        if (m_hWnd != nullptr)
            DestroyWindow(m_hWnd);
        if (m_hResources != nullptr)
            FreeLibrary(m_hResources);
    }

    // The program's six tray images of the signal levels, at the size the tray shows.
    bool Create(const std::wstring& strProgram)
    {
        m_hResources =
            LoadLibraryExW(strProgram.c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE | LOAD_LIBRARY_AS_DATAFILE);
        if (m_hResources == nullptr)
            return false;
        for (int nId = IDI_TRAY_0; nId <= IDI_TRAY_5; ++nId) {
            HICON hIcon = static_cast<HICON>(LoadImageW(m_hResources, MAKEINTRESOURCEW(nId), IMAGE_ICON, 16, 16, 0));
            if (hIcon == nullptr)
                return false;
            m_icons.push_back(hIcon);
        }
        m_hWnd = CreateWindowExW(0, L"STATIC", L"floor", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        if (m_hWnd == nullptr)
            return false;
        m_data.cbSize = sizeof(m_data);
        m_data.hWnd = m_hWnd;
        m_data.uID = 1;
        m_data.uFlags = NIF_ICON;
        m_data.hIcon = m_icons[0];
        m_bAdded = Shell_NotifyIconW(NIM_ADD, &m_data) != FALSE;
        return m_bAdded;
    }

    // As many image changes as fit in nSeconds, added to result.
    bool Run(double nSeconds, Throughput& result)
    {
        const LARGE_INTEGER start = PerformanceNow();
        uint64_t nCalls = 0;
        double nElapsed = 0;
        for (;;) {
            nElapsed = ElapsedSeconds(start, PerformanceNow());
            if (nElapsed >= nSeconds)
                break;
            m_data.hIcon = m_icons[++m_nShown % m_icons.size()];
            if (!Shell_NotifyIconW(NIM_MODIFY, &m_data)) {
                std::fprintf(stderr, "RefreshProbe: the shell refused a change of the floor's icon, error %lu\n",
                             GetLastError());
                return false;
            }
            ++nCalls;
        }
        result.Add(nCalls, nElapsed);
        std::printf("  floor: %llu NIM_MODIFY calls in %.3f s, %.0f/s\n", static_cast<unsigned long long>(nCalls),
                    nElapsed, static_cast<double>(nCalls) / nElapsed);
        std::fflush(stdout);
        return true;
    }

private:
    HMODULE m_hResources = nullptr;
    std::vector<HICON> m_icons;
    HWND m_hWnd = nullptr;
    NOTIFYICONDATAW m_data = {};
    bool m_bAdded = false;
    size_t m_nShown = 0;
};

void PrintLatency(const char* pszName, const LatencyResult& result)
{
    const auto& samples = result.samplesMs;
    std::printf("show request, %-9s flood   %9.1f ms  %9.1f ms  %8zu   <= 250 ms\n", pszName, Median(samples),
                samples.empty() ? 0.0 : *std::max_element(samples.begin(), samples.end()), samples.size());
}

void PrintTable(const Throughput& unchanged, const Throughput& changing, const Throughput& floor,
                const LatencyResult& unchangedShow, const LatencyResult& changingShow)
{
    std::printf("\n%-31s %10s  %8s  %11s   %s\n", "refresh under a flood", "messages", "seconds", "per second", "goal");
    std::printf("%-31s %10llu  %8.3f  %11.1f   >= 20000/s\n", "unchanged state",
                static_cast<unsigned long long>(unchanged.nCount), unchanged.nSeconds, unchanged.Rate());
    std::printf("%-31s %10llu  %8.3f  %11.1f\n", "changing state", static_cast<unsigned long long>(changing.nCount),
                changing.nSeconds, changing.Rate());
    std::printf("%-31s %10llu  %8.3f  %11.1f   (shell calls)\n", "floor: NIM_MODIFY alone",
                static_cast<unsigned long long>(floor.nCount), floor.nSeconds, floor.Rate());
    std::printf("%-31s %10s  %8s  %11.3f   >= 0.8\n", "changing state / floor", "", "",
                floor.Rate() > 0 ? changing.Rate() / floor.Rate() : 0.0);
    std::printf("%-31s %10s  %8s  %11.3f   >= 0.8\n", "  median of the rounds", "", "", MedianRatio(changing, floor));
    std::printf("\n%-31s %12s  %12s  %8s   %s\n", "answer until visible", "median", "max", "samples", "goal");
    PrintLatency(kUnchanged.pszName, unchangedShow);
    PrintLatency(kChanging.pszName, changingShow);
    std::fflush(stdout);
}

bool SetRouterAddress(uint16_t nPort)
{
    const std::wstring address = L"127.0.0.1:" + std::to_wstring(nPort);
    return RegSetKeyValueW(HKEY_CURRENT_USER, kSettingsKey, L"RouterAddress", REG_SZ, address.c_str(),
                           static_cast<DWORD>((address.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

int Run(const Options& options)
{
    CFloodRouter router;
    if (!router.Start())
        return 1;
    // Loopback only, and before the program reads it.
    if (!SetRouterAddress(router.Port())) {
        std::fprintf(stderr, "RefreshProbe: cannot write RouterAddress\n");
        return 1;
    }
    std::printf("router on 127.0.0.1:%u; program %ls\n", router.Port(), options.strProgram.c_str());
    CProgramProcess program;
    if (!program.Start(options.strProgram) || program.WaitForWindow(30000) < 0) {
        // Exit code 0: it handed over to a notifier that already runs in this prefix.
        std::fprintf(stderr, "RefreshProbe: no main window (exit code 0x%lx)\n", program.ExitCode());
        return 1;
    }
    CWindowWatch window(program);
    LARGE_INTEGER at;
    // Connected at the program's first timer tick, about 4 s after its start.
    if (!window.WaitFor([&] { return window.UserCount() == 0; }, 60000, at)) {
        std::fprintf(stderr, "RefreshProbe: the program did not show the router's state\n");
        return 1;
    }
    std::printf("connected after %.1f s\n", ElapsedSeconds(program.StartedAt(), at));

    CFloorIcon floorIcon;
    if (!floorIcon.Create(options.strProgram)) {
        std::fprintf(stderr, "RefreshProbe: the floor's tray icon could not be added, error %lu\n", GetLastError());
        return 1;
    }
    CRefreshBench bench(router, window, program.MainWindow());
    Throughput unchanged, changing;
    LatencyResult unchangedShow, changingShow;
    Throughput floor;
    const bool bMeasured = bench.MeasureRate(
                               kUnchanged, options.nSeconds, [] { return true; }, unchanged) &&
                           bench.MeasureShowRequests(kUnchanged, options.nSamples, options.nSeconds, unchangedShow) &&
                           bench.MeasureRate(
                               kChanging, options.nSeconds,
                               [&] { return floorIcon.Run(options.nFloorSeconds / kRounds, floor); }, changing) &&
                           bench.MeasureShowRequests(kChanging, options.nSamples, options.nSeconds, changingShow);
    router.End();
    if (!program.Close())
        std::fprintf(stderr, "RefreshProbe: the program did not end when asked\n");
    if (!bMeasured)
        return 1;
    PrintTable(unchanged, changing, floor, unchangedShow, changingShow);
    return 0;
}

bool ParseDouble(const wchar_t* psz, double nMin, double nMax, double& nValue)
{
    wchar_t* pEnd = nullptr;
    const double n = std::wcstod(psz, &pEnd);
    if (pEnd == psz || *pEnd != L'\0' || !(n >= nMin && n <= nMax))
        return false;
    nValue = n;
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
        double nSamples = 0;
        if (name == L"--seconds")
            bOk = ParseDouble(argv[i + 1], 0.1, 60, options.nSeconds);
        else if (name == L"--floor-seconds")
            bOk = ParseDouble(argv[i + 1], 0.1, 60, options.nFloorSeconds);
        else if (name == L"--samples")
            bOk = ParseDouble(argv[i + 1], 1, 50, nSamples) && (options.nSamples = static_cast<int>(nSamples)) > 0;
        else
            bOk = false;
    }
    if (!bOk) {
        std::fprintf(stderr, "usage: RefreshProbe.exe [PROGRAM] [--seconds S] [--samples K] [--floor-seconds F]\n");
        return 2;
    }
    return Run(options);
}

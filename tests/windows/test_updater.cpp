// The updater dialog and its worker against real HTTP servers on 127.0.0.1: Python's stock
// server for ordinary downloads and a scripted one (tests/http) for what the stock one
// cannot answer: no length, error answers, a reset or short body, a slow body. Each test
// runs the dialog modally on its own thread and drives it from a second one as a user
// would: it waits for what the dialog shows, posts the button commands and answers the
// message boxes it finds. The servers are started once for the binary and stop when it
// removes their ports file (or after their lifetime).
//
// UpdaterMeasure.DISABLED_Download is the measuring mode of tools/measure_updater.sh.
#include <windows.h>

#include <commctrl.h>
#include <psapi.h>
#include <shlobj.h>
#include <wininet.h>

#include <gmock/gmock.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/Log.h"
#include "app/StringLoader.h"
#include "app/SysWrappers.h"
#include "framework/ErrorText.h"
#include "resources/StringIds.h"
#include "resources/resource.h"
#include "update/DlgUpdater.h"
#include "update/UpdaterView.h"

#ifndef TN_SOURCE_DIR
#error TN_SOURCE_DIR names the source tree, whose tests/http holds the servers
#endif

namespace {

using testing::AllOf;
using testing::Contains;
using testing::HasSubstr;
using testing::StartsWith;

constexpr DWORD kWaitMs = 20000;
constexpr size_t kDataBytes = 1 << 20;

class CommonControls : public testing::Environment {
public:
    void SetUp() override
    {
        INITCOMMONCONTROLSEX init = {sizeof(init), ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
        ASSERT_TRUE(InitCommonControlsEx(&init));
    }
};
testing::Environment* const s_pCommonControls = testing::AddGlobalTestEnvironment(new CommonControls);

// ---- the log, from the dialog's thread and the worker's

std::mutex s_logMutex;
std::vector<std::wstring> s_logLines;

void CaptureLine(const wchar_t* pszLine)
{
    std::wstring strLine(pszLine);
    if (!strLine.empty() && strLine.back() == L'\n')
        strLine.pop_back();
    std::lock_guard<std::mutex> lock(s_logMutex);
    s_logLines.push_back(strLine);
}

std::vector<std::wstring> LogLines()
{
    std::lock_guard<std::mutex> lock(s_logMutex);
    return s_logLines;
}

// ---- files

bool FileExists(const std::wstring& strPath)
{
    return GetFileAttributesW(strPath.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadBytes(const std::wstring& strPath)
{
    std::string bytes;
    HANDLE hFile = CreateFileW(strPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return bytes;
    char buffer[65536];
    DWORD nRead = 0;
    while (ReadFile(hFile, buffer, sizeof(buffer), &nRead, nullptr) && nRead)
        bytes.append(buffer, nRead);
    CloseHandle(hFile);
    return bytes;
}

bool WriteBytes(const std::wstring& strPath, const std::string& bytes)
{
    HANDLE hFile = CreateFileW(strPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    DWORD nWritten = 0;
    const bool bOk = WriteFile(hFile, bytes.data(), static_cast<DWORD>(bytes.size()), &nWritten, nullptr) &&
                     nWritten == bytes.size();
    CloseHandle(hFile);
    return bOk;
}

LONGLONG FileSize(const std::wstring& strPath)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(strPath.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return (static_cast<LONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The Unix path of a file, for the servers (Wine's own conversion); empty outside Wine.
std::string UnixPath(const std::wstring& strPath)
{
    using UnixNameFn = char*(CDECL*)(const WCHAR*);
    const auto pfnUnixName = reinterpret_cast<UnixNameFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!pfnUnixName)
        return {};
    char* pszUnix = pfnUnixName(strPath.c_str());
    if (!pszUnix)
        return {};
    std::string strUnix = pszUnix;
    HeapFree(GetProcessHeap(), 0, pszUnix);
    return strUnix;
}

std::wstring Widen(const std::string& str)
{
    return std::wstring(str.begin(), str.end());
}

std::wstring OwnFolder()
{
    XBuffer<wchar_t> path(XGetModuleFileName(nullptr));
    std::wstring strPath = path ? path.Get() : L"";
    return strPath.substr(0, strPath.rfind(L'\\'));
}

bool WaitUntil(const std::function<bool()>& done, DWORD nTimeoutMs = kWaitMs)
{
    const ULONGLONG nDeadline = GetTickCount64() + nTimeoutMs;
    while (!done()) {
        if (GetTickCount64() >= nDeadline)
            return false;
        Sleep(5);
    }
    return true;
}

// ---- the dialog, seen from the driver's thread

bool IsShown(HWND hDlg, int nId)
{
    HWND hItem = GetDlgItem(hDlg, nId);
    return hItem && (GetWindowLongPtrW(hItem, GWL_STYLE) & WS_VISIBLE);
}

// The state-dependent controls for which isShown holds, in table order.
std::vector<int> ControlsWhere(const std::function<bool(int nId)>& isShown)
{
    std::vector<int> shown;
    for (const CUpdaterControlRule& rule : kUpdaterControlRules)
        if (isShown(rule.nId))
            shown.push_back(rule.nId);
    return shown;
}

// What the window shows, and what the state should show.
std::vector<int> ShownControls(HWND hDlg)
{
    return ControlsWhere([hDlg](int nId) { return IsShown(hDlg, nId); });
}

std::vector<int> ControlsOf(UpdaterState nState)
{
    return ControlsWhere([nState](int nId) { return IsUpdaterControlShown(nState, nId); });
}

std::wstring ItemText(HWND hDlg, int nId)
{
    wchar_t szText[512] = {};
    GetDlgItemTextW(hDlg, nId, szText, 512);
    return szText;
}

bool IsOkEnabled(HWND hDlg)
{
    return IsWindowEnabled(GetDlgItem(hDlg, IDOK)) != FALSE;
}

// A dialog of the thread: the updater (it has the prompt; it may be hidden already when a
// failure came at once) or a visible message box (its text is item 0xFFFF; the updater's
// group box has that id too, so it is left out).
struct WindowSearch {
    bool bBox;
    HWND hExclude;
    HWND hFound;
};

BOOL CALLBACK FindDialogProc(HWND hWnd, LPARAM lParam)
{
    auto* pSearch = reinterpret_cast<WindowSearch*>(lParam);
    wchar_t szClass[16] = {};
    GetClassNameW(hWnd, szClass, 16);
    if (lstrcmpW(szClass, L"#32770") != 0 || hWnd == pSearch->hExclude || (pSearch->bBox && !IsWindowVisible(hWnd)))
        return TRUE;
    const bool bUpdater = GetDlgItem(hWnd, IDC_UPDATER_PROMPT) != nullptr;
    if (pSearch->bBox ? (bUpdater || !GetDlgItem(hWnd, 0xFFFF)) : !bUpdater)
        return TRUE;
    pSearch->hFound = hWnd;
    return FALSE;
}

HWND FindDialog(DWORD nThreadId, bool bBox, HWND hExclude = nullptr)
{
    WindowSearch search = {bBox, hExclude, nullptr};
    EnumThreadWindows(nThreadId, &FindDialogProc, reinterpret_cast<LPARAM>(&search));
    return search.hFound;
}

// Waits for a message box of the dialog's thread; its text, or empty when none came.
std::wstring WaitForBox(DWORD nThreadId, HWND hDlg, HWND* phBox)
{
    HWND hBox = nullptr;
    WaitUntil([&] { return (hBox = FindDialog(nThreadId, true, hDlg)) != nullptr; });
    if (phBox)
        *phBox = hBox;
    return hBox ? ItemText(hBox, 0xFFFF) : std::wstring();
}

void Press(HWND hWnd, int nId)
{
    PostMessageW(hWnd, WM_COMMAND, MAKEWPARAM(nId, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(hWnd, nId)));
}

// One report as the dialog received it.
struct Report {
    int32_t nState;
    UpdateProgress progress;
};

// The updater dialog with a record of what reached it.
class CTestUpdater : public CDlgUpdater {
public:
    LRESULT WindowProc(UINT nMsg, WPARAM wParam, LPARAM lParam) override
    {
        if (nMsg == WM_UPDATER_PROGRESS && lParam) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_reports.push_back({static_cast<int32_t>(wParam), *reinterpret_cast<UpdateProgress*>(lParam)});
            if (wParam == Done)
                QueryPerformanceCounter(&m_doneTime);
        }
        return CDlgUpdater::WindowProc(nMsg, wParam, lParam);
    }

    std::vector<Report> Reports()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_reports;
    }
    std::vector<int32_t> States()
    {
        std::vector<int32_t> states;
        for (const Report& report : Reports())
            if (states.empty() || states.back() != report.nState)
                states.push_back(report.nState);
        return states;
    }
    void ClearReports()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_reports.clear();
    }

    // What the dialog showed as it opened (before any report).
    std::vector<int> m_initialShown;
    bool m_bInitialOk = true;
    std::wstring m_strInitialStatus;
    LARGE_INTEGER m_doneTime = {};

protected:
    BOOL OnInitDialog() override
    {
        const BOOL bResult = CDlgUpdater::OnInitDialog();
        m_initialShown = ShownControls(m_hWnd);
        m_bInitialOk = IsOkEnabled(m_hWnd);
        m_strInitialStatus = ItemText(m_hWnd, IDC_UPDATER_STATUS);
        return bResult;
    }

private:
    std::mutex m_mutex;
    std::vector<Report> m_reports;
};

// The last-error value right after the last DoModal.
DWORD s_nModalError = 0;

// Runs the dialog modally on this thread while drive() acts on it from a second thread,
// given the dialog's window once it shows. If the dialog is still open when drive() is
// done, the test has failed: the dialog is then closed (boxes answered, Cancel, Yes).
INT_PTR RunDialog(CDlgUpdater& dialog, const std::function<void(DWORD nUiThread, HWND hDlg)>& drive)
{
    const DWORD nUiThread = GetCurrentThreadId();
    std::thread driver([&] {
        HWND hDlg = nullptr;
        if (!WaitUntil([&] { return (hDlg = FindDialog(nUiThread, false)) != nullptr; })) {
            ADD_FAILURE() << "the updater dialog did not show";
            return;
        }
        drive(nUiThread, hDlg);
        if (WaitUntil([&] { return !IsWindow(hDlg); }))
            return;
        ADD_FAILURE() << "the updater dialog is still open";
        WaitUntil([&] {
            if (HWND hBox = FindDialog(nUiThread, true, hDlg))
                PostMessageW(hBox, WM_COMMAND, GetDlgItem(hBox, IDYES) ? IDYES : IDOK, 0);
            else
                Press(hDlg, IDCANCEL);
            Sleep(50);
            return !IsWindow(hDlg);
        });
    });
    const INT_PTR nResult = dialog.DoModal();
    s_nModalError = GetLastError();
    driver.join();
    return nResult;
}

// Waits for Ready, as a user waits for OK, the name and the size.
bool WaitForReady(HWND hDlg)
{
    static const std::vector<int> s_ready = ControlsOf(Ready);
    return WaitUntil([&] {
        return IsOkEnabled(hDlg) && ShownControls(hDlg) == s_ready && ItemText(hDlg, IDC_UPDATER_SIZE) != L"-";
    });
}

std::wstring LoadText(UINT nId)
{
    XBuffer<wchar_t> text(LoadAppString(nId));
    return text ? text.Get() : L"";
}

std::wstring InternetText(DWORD nError)
{
    return SystemErrorText(nError, GetModuleHandleW(L"wininet.dll"));
}

class UpdaterTest : public testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();

    void SetUp() override
    {
        // The servers are Unix programs that Wine starts; elsewhere there are none.
        if (UnixPath(L"C:\\").empty())
            GTEST_SKIP() << "not under Wine: no loopback HTTP servers to test against";
        ASSERT_NE(s_nStockPort, 0) << "the HTTP servers of tests/http did not start";
        {
            std::lock_guard<std::mutex> lock(s_logMutex);
            s_logLines.clear();
        }
        m_pfnPreviousSink = XLogSetSink(&CaptureLine);
        m_nPreviousLevel = XLogGetLevel();
        XLogSetLevel(1);
    }

    void TearDown() override
    {
        XLogSetSink(m_pfnPreviousSink);
        XLogSetLevel(m_nPreviousLevel);
    }

    static std::wstring StockUrl(const std::wstring& strPath)
    {
        return L"http://127.0.0.1:" + std::to_wstring(s_nStockPort) + strPath;
    }
    static std::wstring ScriptedUrl(const std::wstring& strPath)
    {
        return L"http://127.0.0.1:" + std::to_wstring(s_nScriptedPort) + strPath;
    }

    // Where the downloads go: the local application data's folder of the program.
    static std::wstring DownloadFolder()
    {
        wchar_t szFolder[MAX_PATH] = {};
        SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, szFolder);
        return std::wstring(szFolder) + L'\\' + LoadText(IDS_APP_TITLE);
    }
    static std::wstring Downloaded(const std::wstring& strName) { return DownloadFolder() + L'\\' + strName; }
    // Clears what an earlier run left of a download and of its run.
    static void Forget(const std::wstring& strName)
    {
        DeleteFileW(Downloaded(strName).c_str());
        DeleteFileW((Downloaded(strName) + L".ran").c_str());
    }

    static std::wstring s_strTemp;
    static std::wstring s_strPortsFile;
    static std::string s_probe;
    static int s_nStockPort;
    static int s_nScriptedPort;

private:
    XLogSinkFn m_pfnPreviousSink = nullptr;
    uint16_t m_nPreviousLevel = 0;
};

std::wstring UpdaterTest::s_strTemp;
std::wstring UpdaterTest::s_strPortsFile;
std::string UpdaterTest::s_probe;
int UpdaterTest::s_nStockPort = 0;
int UpdaterTest::s_nScriptedPort = 0;

void UpdaterTest::SetUpTestSuite()
{
    wchar_t szTemp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, szTemp);
    // Wine reuses process ids from run to run: the tick count keeps an earlier run's folder
    // (and its ports file) apart.
    s_strTemp = std::wstring(szTemp) + L"tn-updater-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(GetTickCount64());
    const std::wstring strRoot = s_strTemp + L"\\www";
    CreateDirectoryW(s_strTemp.c_str(), nullptr);
    CreateDirectoryW(strRoot.c_str(), nullptr);
    CreateDirectoryW((strRoot + L"\\dl").c_str(), nullptr);

    // The installer is the probe, which records that it ran; the data file is 1 MiB.
    s_probe = ReadBytes(OwnFolder() + L"\\UpdaterProbe.exe");
    std::string data(kDataBytes, '\0');
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>(i * 7 + (i >> 12));
    if (s_probe.empty() || !WriteBytes(strRoot + L"\\dl\\setup.exe", s_probe) ||
        !WriteBytes(strRoot + L"\\setup.exe", s_probe) || !WriteBytes(strRoot + L"\\data.bin", data))
        return;

    s_strPortsFile = s_strTemp + L"\\ports.txt";
    const std::string strRootUnix = UnixPath(strRoot);
    const std::string strPortsUnix = UnixPath(s_strPortsFile);
    if (strRootUnix.empty() || strPortsUnix.empty())
        return;
    // Wine starts a Unix program as it is asked to; it gives back no process handle, so the
    // servers are stopped through their ports file.
    std::wstring strCommand = L"python3 \"" TN_SOURCE_DIR L"/tests/http/updater_servers.py\" --root \"" +
                              Widen(strRootUnix) + L"\" --ports \"" + Widen(strPortsUnix) + L"\" --lifetime 600";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(L"Z:\\usr\\bin\\python3", strCommand.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return;
    if (process.hProcess)
        CloseHandle(process.hProcess);
    if (process.hThread)
        CloseHandle(process.hThread);
    std::string ports;
    WaitUntil([&] {
        ports = ReadBytes(s_strPortsFile);
        return ports.find("scripted") != std::string::npos;
    });
    int nStock = 0;
    int nScripted = 0;
    if (sscanf(ports.c_str(), "stock %d scripted %d", &nStock, &nScripted) == 2) {
        s_nStockPort = nStock;
        s_nScriptedPort = nScripted;
    }
}

void UpdaterTest::TearDownTestSuite()
{
    // The servers stop once their ports file is gone.
    if (!s_strPortsFile.empty())
        DeleteFileW(s_strPortsFile.c_str());
    const std::wstring strRoot = s_strTemp + L"\\www";
    for (const wchar_t* pszFile : {L"\\dl\\setup.exe", L"\\setup.exe", L"\\data.bin"})
        DeleteFileW((strRoot + pszFile).c_str());
    RemoveDirectoryW((strRoot + L"\\dl").c_str());
    RemoveDirectoryW(strRoot.c_str());
    RemoveDirectoryW(s_strTemp.c_str());
}

// ---- the tests

// The counts of the Downloading reports, each larger than the one before and each with
// the announced total; the last one (0 when there was none).
int32_t LastCount(const std::vector<Report>& reports, int32_t nTotal)
{
    int32_t nLast = 0;
    for (const Report& report : reports) {
        if (report.nState != Downloading)
            continue;
        EXPECT_GT(report.progress.m_nBytesReceived, nLast);
        EXPECT_EQ(report.progress.m_nTotalBytes, nTotal);
        nLast = report.progress.m_nBytesReceived;
    }
    return nLast;
}

// Shows the dialog for the URL, waits for Ready, notes the size it shows and presses OK;
// DoModal's result.
INT_PTR Download(CTestUpdater& dialog, const std::wstring& strUrl, std::wstring& strSizeShown)
{
    dialog.SetUrl(strUrl);
    return RunDialog(dialog, [&](DWORD, HWND hDlg) {
        ASSERT_TRUE(WaitForReady(hDlg));
        strSizeShown = ItemText(hDlg, IDC_UPDATER_SIZE);
        Press(hDlg, IDOK);
    });
}

TEST_F(UpdaterTest, ReadyShowsNameAndSizeAndOkStoresAndOpensTheInstaller)
{
    Forget(L"setup.exe");
    CTestUpdater dialog;
    dialog.SetUrl(StockUrl(L"/dl/setup.exe"));
    const std::wstring strSize = std::to_wstring(s_probe.size());
    const INT_PTR nResult = RunDialog(dialog, [&](DWORD, HWND hDlg) {
        ASSERT_TRUE(WaitForReady(hDlg));
        EXPECT_EQ(ItemText(hDlg, IDC_UPDATER_DOWNLOADING), L"Downloading:");
        EXPECT_EQ(ItemText(hDlg, IDC_UPDATER_FILE_NAME), L"setup.exe");
        EXPECT_EQ(ItemText(hDlg, IDC_UPDATER_SIZE_LABEL), L"Download size:");
        EXPECT_EQ(ItemText(hDlg, IDC_UPDATER_SIZE), strSize);
        EXPECT_EQ(ItemText(hDlg, IDC_UPDATER_PROMPT), L"Press OK button in order to download and install it.");
        // A second press while the first transfer runs must not store the file again.
        Press(hDlg, IDOK);
        Press(hDlg, IDOK);
    });
    EXPECT_EQ(nResult, IDOK);

    // Every showing starts in Checking.
    EXPECT_EQ(dialog.m_initialShown, ControlsOf(Checking));
    EXPECT_FALSE(dialog.m_bInitialOk);
    EXPECT_EQ(dialog.m_strInitialStatus, L"Checking the available update...");

    const std::vector<int32_t> expectedStates = {Ready, Downloading, Done};
    EXPECT_EQ(dialog.States(), expectedStates);
    EXPECT_EQ(LastCount(dialog.Reports(), static_cast<int32_t>(s_probe.size())), static_cast<int32_t>(s_probe.size()));
    for (const Report& report : dialog.Reports())
        EXPECT_EQ(report.progress.m_strFileName, L"setup.exe");

    EXPECT_EQ(ReadBytes(Downloaded(L"setup.exe")), s_probe);
    // Stored once: the internet library's cache has no copy of it.
    DWORD nEntryBytes = 0;
    EXPECT_FALSE(GetUrlCacheEntryInfoW(StockUrl(L"/dl/setup.exe").c_str(), nullptr, &nEntryBytes));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    // The shell's "open" ran the stored installer, once.
    EXPECT_TRUE(WaitUntil([] { return ReadBytes(Downloaded(L"setup.exe.ran")) == "ran\n"; }))
        << "the downloaded program did not run";

    const std::vector<std::wstring> lines = LogLines();
    EXPECT_THAT(lines, Contains(StartsWith(L"[")));
    EXPECT_THAT(lines, Contains(L"URL is " + StockUrl(L"/dl/setup.exe")));
    EXPECT_THAT(lines, Contains(L"CUpdaterInternetSession::OnStatusCallback: Sending request..."));
    EXPECT_THAT(lines, Contains(L"CUpdaterInternetSession::SetStatus: Request sent"));
    EXPECT_THAT(lines, Contains(L"CUpdaterThread::ExitInstance"));
}

TEST_F(UpdaterTest, WithoutContentLengthTheSizeIsZeroAndTheCounterCountsAlone)
{
    Forget(L"setup.exe");
    CTestUpdater dialog;
    std::wstring strSize;
    EXPECT_EQ(Download(dialog, ScriptedUrl(L"/nolength/setup.exe"), strSize), IDOK);
    EXPECT_EQ(strSize, L"0");
    EXPECT_EQ(LastCount(dialog.Reports(), 0), static_cast<int32_t>(s_probe.size()));
    EXPECT_EQ(ReadBytes(Downloaded(L"setup.exe")), s_probe);
    EXPECT_TRUE(WaitUntil([] { return FileExists(Downloaded(L"setup.exe.ran")); }));
}

TEST_F(UpdaterTest, EmptyBodyEndsAtOnce)
{
    Forget(L"empty.exe");
    CTestUpdater dialog;
    std::wstring strSize;
    EXPECT_EQ(Download(dialog, ScriptedUrl(L"/empty/empty.exe"), strSize), IDOK);
    EXPECT_EQ(strSize, L"0");
    const std::vector<int32_t> expectedStates = {Ready, Done};
    EXPECT_EQ(dialog.States(), expectedStates);
    EXPECT_EQ(FileSize(Downloaded(L"empty.exe")), 0);
}

// A failure: the dialog hides, the error box shows the text, and the dialog ends.
struct FailureCase {
    const char* pszName;
    std::function<std::wstring()> url;
    bool bPressOk;                               // the failure comes after OK
    std::function<std::wstring()> expectedText;  // the box's text starts with it
    std::vector<std::wstring> notWritten;        // files that must not exist afterwards
};

TEST_F(UpdaterTest, FailuresShowTheErrorBoxAndOpenNothing)
{
    // Where the backslash name would have put the file, two folders up.
    wchar_t szEscaped[MAX_PATH] = {};
    GetFullPathNameW(Downloaded(L"..\\..\\escaped.exe").c_str(), MAX_PATH, szEscaped, nullptr);
    const std::vector<FailureCase> cases = {
        // Nothing listens on port 1 of the test's loopback.
        {"closed port",
         [] { return std::wstring(L"http://127.0.0.1:1/dl/closed.exe"); },
         false,
         [] { return InternetText(ERROR_INTERNET_CANNOT_CONNECT); },
         {Downloaded(L"closed.exe")}},
        {"404",
         [] { return ScriptedUrl(L"/status/404/missing.exe"); },
         false,
         [] { return std::wstring(L"HTTP 404 Not Found"); },
         {Downloaded(L"missing.exe")}},
        {"local file",
         [] { return std::wstring(L"file:///C:/windows/notepad.exe"); },
         false,
         [] { return InternetText(ERROR_INTERNET_UNRECOGNIZED_SCHEME); },
         {Downloaded(L"notepad.exe")}},
        {"reset in mid-body", [] { return ScriptedUrl(L"/reset/data.bin"); }, true, nullptr, {}},
        {"body shorter than announced",
         [] { return ScriptedUrl(L"/short/data.bin"); },
         true,
         [] { return InternetText(ERROR_INTERNET_CONNECTION_ABORTED); },
         {}},
        {"backslash",
         [] { return ScriptedUrl(L"/ok/..\\..\\escaped.exe"); },
         true,
         [] { return SystemErrorText(ERROR_INVALID_NAME); },
         {szEscaped}},
        {"question mark",
         [] { return ScriptedUrl(L"/ok/setup.exe?lang=en"); },
         true,
         [] { return SystemErrorText(ERROR_INVALID_NAME); },
         {}},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.pszName);
        for (const std::wstring& strPath : c.notWritten)
            DeleteFileW(strPath.c_str());
        CTestUpdater dialog;
        dialog.SetUrl(c.url());
        std::wstring strBox;
        bool bHiddenWithBox = false;
        const INT_PTR nResult = RunDialog(dialog, [&](DWORD nUiThread, HWND hDlg) {
            if (c.bPressOk) {
                ASSERT_TRUE(WaitForReady(hDlg));
                Press(hDlg, IDOK);
            }
            HWND hBox = nullptr;
            strBox = WaitForBox(nUiThread, hDlg, &hBox);
            ASSERT_NE(hBox, nullptr) << "no error box";
            bHiddenWithBox = !IsWindowVisible(hDlg);
            PostMessageW(hBox, WM_COMMAND, IDOK, 0);
        });
        EXPECT_EQ(nResult, IDOK);
        EXPECT_TRUE(bHiddenWithBox);
        const std::vector<int32_t> states = dialog.States();
        ASSERT_FALSE(states.empty());
        EXPECT_EQ(states.back(), Failed);
        EXPECT_THAT(states, testing::Not(Contains(Done)));
        if (c.expectedText) {
            EXPECT_THAT(strBox, StartsWith(c.expectedText()));
        } else {
            // A reset connection: the library's text of a reset or an aborted connection, or
            // the socket's own when the reset comes while the body is read.
            EXPECT_THAT(strBox, testing::AnyOf(StartsWith(InternetText(ERROR_INTERNET_CONNECTION_RESET)),
                                               StartsWith(InternetText(ERROR_INTERNET_CONNECTION_ABORTED)),
                                               StartsWith(SystemErrorText(WSAECONNRESET))));
        }
        EXPECT_NE(strBox.rfind(L"Error ", 0), 0u) << "no text for the error: " << strBox.size();
        for (const std::wstring& strPath : c.notWritten)
            EXPECT_FALSE(FileExists(strPath)) << "written: " << std::string(strPath.begin(), strPath.end());
    }
    DeleteFileW(Downloaded(L"data.bin").c_str());
}

TEST_F(UpdaterTest, CancelInReadyAsksNoKeepsYesEndsAndTheNextShowingStartsOver)
{
    CTestUpdater dialog;
    dialog.SetUrl(StockUrl(L"/dl/setup.exe"));
    std::wstring strQuestion;
    std::vector<int> shownAfterNo;
    bool bOkAfterNo = false;
    ULONGLONG nYesTick = 0;
    INT_PTR nResult = RunDialog(dialog, [&](DWORD nUiThread, HWND hDlg) {
        ASSERT_TRUE(WaitForReady(hDlg));
        // The close box asks as Cancel does.
        PostMessageW(hDlg, WM_SYSCOMMAND, SC_CLOSE, 0);
        HWND hBox = nullptr;
        strQuestion = WaitForBox(nUiThread, hDlg, &hBox);
        ASSERT_NE(hBox, nullptr);
        PostMessageW(hBox, WM_COMMAND, IDNO, 0);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(hBox); }));
        shownAfterNo = ShownControls(hDlg);
        bOkAfterNo = IsOkEnabled(hDlg);
        Press(hDlg, IDCANCEL);
        ASSERT_FALSE(WaitForBox(nUiThread, hDlg, &hBox).empty());
        nYesTick = GetTickCount64();
        PostMessageW(hBox, WM_COMMAND, IDYES, 0);
    });
    EXPECT_EQ(nResult, IDCANCEL);
    // The worker was idle: it ends at once.
    EXPECT_LT(GetTickCount64() - nYesTick, 5000u);
    EXPECT_EQ(strQuestion, L"Do you want to cancel the Notifier update?");
    EXPECT_EQ(shownAfterNo, ControlsOf(Ready));
    EXPECT_TRUE(bOkAfterNo);
    const std::vector<int32_t> expectedStates = {Ready};
    EXPECT_EQ(dialog.States(), expectedStates);

    // The same dialog again: Checking first, then Ready from a new worker.
    dialog.ClearReports();
    nResult = RunDialog(dialog, [&](DWORD nUiThread, HWND hDlg) {
        ASSERT_TRUE(WaitForReady(hDlg));
        Press(hDlg, IDCANCEL);
        HWND hBox = nullptr;
        ASSERT_FALSE(WaitForBox(nUiThread, hDlg, &hBox).empty());
        PostMessageW(hBox, WM_COMMAND, IDYES, 0);
    });
    EXPECT_EQ(nResult, IDCANCEL);
    EXPECT_EQ(dialog.m_initialShown, ControlsOf(Checking));
    EXPECT_FALSE(dialog.m_bInitialOk);
    EXPECT_EQ(dialog.States(), expectedStates);
    std::vector<std::wstring> workers;
    for (const std::wstring& strLine : LogLines())
        if (strLine.find(L"] CUpdaterThread::InitInstance") != std::wstring::npos)
            workers.push_back(strLine);
    ASSERT_EQ(workers.size(), 2u);
    EXPECT_NE(workers[0], workers[1]) << "the second showing has a worker of its own";
}

TEST_F(UpdaterTest, CancelDuringTransferHoldsTheWorkerAndYesAbandonsIt)
{
    Forget(L"slow.exe");
    CTestUpdater dialog;
    dialog.SetUrl(ScriptedUrl(L"/slow/slow.exe"));
    LONGLONG nSizeHeld = -1;
    LONGLONG nSizeStillHeld = -1;
    size_t nReportsHeld = 0;
    size_t nReportsStillHeld = 0;
    LONGLONG nSizeAfterNo = -1;
    std::wstring strCounter;
    LRESULT nBarPos = -1;
    LRESULT nBarTop = -1;
    ULONGLONG nYesTick = 0;
    const INT_PTR nResult = RunDialog(dialog, [&](DWORD nUiThread, HWND hDlg) {
        ASSERT_TRUE(WaitForReady(hDlg));
        Press(hDlg, IDOK);
        ASSERT_TRUE(WaitUntil([&] { return FileSize(Downloaded(L"slow.exe")) > 0; }));

        Press(hDlg, IDCANCEL);
        HWND hBox = nullptr;
        ASSERT_FALSE(WaitForBox(nUiThread, hDlg, &hBox).empty());
        // The worker holds once the read it was in has returned: from then on nothing is
        // written or reported. The server sends every 20 ms, so a quarter of a second of a
        // running transfer would show.
        Sleep(100);
        nSizeHeld = FileSize(Downloaded(L"slow.exe"));
        nReportsHeld = dialog.Reports().size();
        Sleep(250);
        nSizeStillHeld = FileSize(Downloaded(L"slow.exe"));
        nReportsStillHeld = dialog.Reports().size();
        strCounter = ItemText(hDlg, IDC_UPDATER_STATUS);
        HWND hBar = GetDlgItem(hDlg, IDC_UPDATER_PROGRESS);
        nBarPos = SendMessageW(hBar, PBM_GETPOS, 0, 0);
        nBarTop = SendMessageW(hBar, PBM_GETRANGE, FALSE, 0);
        PostMessageW(hBox, WM_COMMAND, IDNO, 0);

        // No: the transfer goes on.
        ASSERT_TRUE(WaitUntil([&] { return FileSize(Downloaded(L"slow.exe")) > nSizeStillHeld; }));
        nSizeAfterNo = FileSize(Downloaded(L"slow.exe"));
        Press(hDlg, IDCANCEL);
        ASSERT_FALSE(WaitForBox(nUiThread, hDlg, &hBox).empty());
        nYesTick = GetTickCount64();
        PostMessageW(hBox, WM_COMMAND, IDYES, 0);
    });
    EXPECT_EQ(nResult, IDCANCEL);
    EXPECT_LT(GetTickCount64() - nYesTick, 5000u) << "the transfer was not abandoned at the next chunk";
    EXPECT_GT(nSizeHeld, 0);
    EXPECT_EQ(nSizeStillHeld, nSizeHeld) << "written while the question was open";
    EXPECT_EQ(nReportsStillHeld, nReportsHeld) << "reported while the question was open";
    // The counter and the bar show the last count reported of the 64 MiB announced.
    EXPECT_EQ(strCounter, std::to_wstring(nBarPos) + L"/67108864");
    EXPECT_LE(nBarPos, nSizeStillHeld);
    EXPECT_GT(nBarPos, 0);
    EXPECT_EQ(nBarTop, 67108864);
    EXPECT_GT(nSizeAfterNo, nSizeStillHeld);
    EXPECT_FALSE(FileExists(Downloaded(L"slow.exe"))) << "the partial file was left";
    EXPECT_THAT(dialog.States(), testing::Not(Contains(Done)));
    EXPECT_THAT(LogLines(), Contains(L"CUpdaterThread::OnStartUpdate: cancelled."));
}

// ---- measuring (tools/measure_updater.sh): one download of TN_UPDATER_MEASURE_URL

constexpr WPARAM kProbeTag = 0x7E57;

// Answer times of the dialog's thread: (when the probe was sent or posted, how long until
// it was taken), both in performance-counter ticks.
struct ProbeTimes {
    std::mutex mutex;
    std::vector<std::pair<LONGLONG, LONGLONG>> sent;
    std::vector<std::pair<LONGLONG, LONGLONG>> posted;
};
ProbeTimes s_probes;
LARGE_INTEGER s_frequency;

LONGLONG Now()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

// Sees each message the dialog's thread takes from its queue; a probe carries the time it
// was posted.
LRESULT CALLBACK GetMessageHook(int nCode, WPARAM wParam, LPARAM lParam)
{
    if (nCode == HC_ACTION && wParam == PM_REMOVE) {
        const MSG* pMsg = reinterpret_cast<const MSG*>(lParam);
        if (pMsg->message == WM_NULL && pMsg->wParam == kProbeTag) {
            const LONGLONG nPosted = static_cast<LONGLONG>(pMsg->lParam);
            std::lock_guard<std::mutex> lock(s_probes.mutex);
            s_probes.posted.emplace_back(nPosted, Now() - nPosted);
        }
    }
    return CallNextHookEx(nullptr, nCode, wParam, lParam);
}

// The longest answer among the probes made before nEnd (the dialog's closing afterwards
// is not the transfer's).
LONGLONG LongestBefore(const std::vector<std::pair<LONGLONG, LONGLONG>>& probes, LONGLONG nEnd)
{
    LONGLONG nLongest = 0;
    for (const auto& [nAt, nTicks] : probes)
        if (nAt < nEnd && nTicks > nLongest)
            nLongest = nTicks;
    return nLongest;
}

double Ms(LONGLONG nTicks)
{
    return nTicks * 1000.0 / static_cast<double>(s_frequency.QuadPart);
}

// Run by tools/measure_updater.sh against its own server: no fixture, no log capture.
TEST(UpdaterMeasure, DISABLED_Download)
{
    const char* pszUrl = getenv("TN_UPDATER_MEASURE_URL");
    ASSERT_NE(pszUrl, nullptr) << "TN_UPDATER_MEASURE_URL names the file to download";
    QueryPerformanceFrequency(&s_frequency);
    const std::wstring strUrl = Widen(pszUrl);
    const std::wstring strName = strUrl.substr(strUrl.rfind(L'/') + 1);
    wchar_t szFolder[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, szFolder);
    const std::wstring strFile = std::wstring(szFolder) + L'\\' + LoadText(IDS_APP_TITLE) + L'\\' + strName;
    DeleteFileW(strFile.c_str());

    CTestUpdater dialog;
    dialog.SetUrl(strUrl);
    HHOOK hHook = SetWindowsHookExW(WH_GETMESSAGE, &GetMessageHook, nullptr, GetCurrentThreadId());
    ASSERT_NE(hHook, nullptr);
    LONGLONG nStart = 0;
    std::atomic<bool> bProbing{false};
    std::thread prober;
    const INT_PTR nResult = RunDialog(dialog, [&](DWORD, HWND hDlg) {
        ASSERT_TRUE(WaitForReady(hDlg));
        bProbing = true;
        // Every 50 ms: one sent message (answered between two others) and one posted
        // message (taken in its turn, behind every report already queued).
        prober = std::thread([&, hDlg] {
            while (bProbing) {
                PostMessageW(hDlg, WM_NULL, kProbeTag, static_cast<LPARAM>(Now()));
                const LONGLONG nSent = Now();
                DWORD_PTR nIgnored = 0;
                SendMessageTimeoutW(hDlg, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &nIgnored);
                {
                    std::lock_guard<std::mutex> lock(s_probes.mutex);
                    s_probes.sent.emplace_back(nSent, Now() - nSent);
                }
                Sleep(50);
            }
        });
        nStart = Now();
        Press(hDlg, IDOK);
        WaitUntil([&] { return dialog.m_doneTime.QuadPart != 0 || !IsWindow(hDlg); }, 600000);
        bProbing = false;
    });
    bProbing = false;
    if (prober.joinable())
        prober.join();
    UnhookWindowsHookEx(hHook);
    EXPECT_EQ(nResult, IDOK) << "last error " << s_nModalError;
    ASSERT_NE(dialog.m_doneTime.QuadPart, 0) << "no Done";
    const LONGLONG nDone = dialog.m_doneTime.QuadPart;
    std::lock_guard<std::mutex> lock(s_probes.mutex);

    const LONGLONG nBytes = FileSize(strFile);
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof(counters));
    // The Unix side's peak resident size of this process.
    const std::string strStatus = ReadBytes(L"Z:\\proc\\self\\status");
    long nHwmKb = -1;
    const size_t nHwm = strStatus.find("VmHWM:");
    if (nHwm != std::string::npos)
        nHwmKb = strtol(strStatus.c_str() + nHwm + 6, nullptr, 10);
    const double dSeconds = Ms(nDone - nStart) / 1000.0;
    printf("MEASURE bytes=%lld seconds=%.3f MiBps=%.1f reports=%zu probes=%zu max_sent_ms=%.1f max_posted_ms=%.1f "
           "peak_working_set_kib=%zu peak_pagefile_kib=%zu vmhwm_kib=%ld\n",
           nBytes, dSeconds, nBytes / 1048576.0 / dSeconds, dialog.Reports().size(), s_probes.sent.size(),
           Ms(LongestBefore(s_probes.sent, nDone)), Ms(LongestBefore(s_probes.posted, nDone)),
           counters.PeakWorkingSetSize / 1024, counters.PeakPagefileUsage / 1024, nHwmKb);
    for (const auto& [nAt, nTicks] : s_probes.sent)
        if (Ms(nTicks) > 100)
            printf("SLOW sent probe at %.1f ms after OK (Done at %.1f): %.1f ms\n", Ms(nAt - nStart),
                   Ms(nDone - nStart), Ms(nTicks));
    fflush(stdout);
    DeleteFileW(strFile.c_str());
}

}  // namespace

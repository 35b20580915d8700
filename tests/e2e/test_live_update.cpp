// Update notifications end to end: the simulated router announces firmware statuses and
// newer notifiers to the real program, and the test follows the offers as a user would,
// with clicks on the link control's link and the section heading. A notifier offer runs
// the updater against HTTP servers on 127.0.0.1 (tests/http); the downloaded installer is
// the probe of tests/windows, which records that it ran. The updater's own cases are
// tested with the dialog in process; here it is what the program makes of them: the
// updater as the main window's modal dialog, the folder it stores in, the open, and the
// offer that stays actionable across showings.
#include <windows.h>

#include <shlobj.h>
#include <wininet.h>

#include <gmock/gmock.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "resources/resource.h"
#include "tests/e2e/support/ForeignWindows.h"
#include "tests/e2e/support/NotifierRun.h"
#include "tests/windows/support/LoopbackHttp.h"
#include "tests/windows/support/OpenLog.h"
#include "tools/sim/RouterServer.h"

namespace {

using testing::ElementsAre;
using testing::StartsWith;

// The main window's request to show the status window, as a second start sends it.
constexpr UINT kShowStatus = WM_APP + 2;
constexpr wchar_t kPopupClass[] = L"TnDesktopAlertWnd";
constexpr wchar_t kUpgradePage[] = L"http://127.0.0.1/index.cgi?active_page=page_wan_upgrade";
constexpr wchar_t kOverviewPage[] = L"http://127.0.0.1/index.cgi?active_page=page_home";
constexpr wchar_t kNotifierOffer[] = L"New Notifier is available. Click <a>here</a> to download and install it.";
constexpr wchar_t kChecking[] = L"Checking the available update...";
constexpr DWORD kWaitMs = 15000;

// Every popup the program opens while the watch runs, each window once, in order.
class CPopupWatch {
public:
    explicit CPopupWatch(DWORD nProcessId) : m_nProcessId(nProcessId), m_thread([this] { Run(); }) {}
    ~CPopupWatch()
    {
        m_bStop = true;
        m_thread.join();
    }
    CPopupWatch(const CPopupWatch&) = delete;
    CPopupWatch& operator=(const CPopupWatch&) = delete;

    size_t Count() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_seen.size();
    }
    bool IsOneOpen() const { return m_bOpen; }

private:
    struct Scan {
        CPopupWatch* pWatch;
        bool bOpen;
    };
    static BOOL CALLBACK ScanProc(HWND hWnd, LPARAM lParam)
    {
        auto* pScan = reinterpret_cast<Scan*>(lParam);
        wchar_t szClass[32] = {};
        DWORD nProcessId = 0;
        GetWindowThreadProcessId(hWnd, &nProcessId);
        if (nProcessId != pScan->pWatch->m_nProcessId || GetClassNameW(hWnd, szClass, 32) == 0 ||
            lstrcmpW(szClass, kPopupClass) != 0)
            return TRUE;
        pScan->bOpen = true;
        std::lock_guard<std::mutex> lock(pScan->pWatch->m_mutex);
        std::vector<HWND>& seen = pScan->pWatch->m_seen;
        if (std::find(seen.begin(), seen.end(), hWnd) == seen.end())
            seen.push_back(hWnd);
        return TRUE;
    }
    void Run()
    {
        while (!m_bStop) {
            Scan scan = {this, false};
            EnumWindows(ScanProc, reinterpret_cast<LPARAM>(&scan));
            m_bOpen = scan.bOpen;
            Sleep(20);
        }
    }

    DWORD m_nProcessId;
    mutable std::mutex m_mutex;
    std::vector<HWND> m_seen;
    std::atomic<bool> m_bOpen = false;
    std::atomic<bool> m_bStop = false;
    std::thread m_thread;
};

// The addresses opened since nFrom of them had been.
std::vector<std::wstring> OpenedSince(size_t nFrom)
{
    const std::vector<std::wstring> all = OpenedAddresses();
    return nFrom < all.size() ? std::vector<std::wstring>(all.begin() + static_cast<std::ptrdiff_t>(nFrom), all.end())
                              : std::vector<std::wstring>();
}

// A click on a label of the main window, as its static-control notification reports it.
void ClickLabel(HWND hMain, int nId)
{
    PostMessageW(hMain, WM_COMMAND, MAKEWPARAM(nId, STN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(hMain, nId)));
}

// Shows the status window as a second start does; returns once it has been shown.
void ShowStatusWindow(HWND hMain)
{
    SendMessageTimeoutW(hMain, kShowStatus, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
}

// The program and the router it talks to, the router's script fed as the test goes.
class LiveUpdateTest : public testing::Test {
protected:
    void SetUp() override
    {
        if (!HasOpenLog())
            GTEST_SKIP() << "needs the sandbox: its recorder of opened addresses and its loopback servers";
        DeleteSettings();
        RemoveDownloads();
        RouterServerOptions options;
        options.nLifetimeMs = 150000;
        options.bOpenScript = true;
        ASSERT_TRUE(m_router.Start(0, "wait-connect 30000\n", options)) << m_router.Error();
        ASSERT_TRUE(SetRouterAddress(L"127.0.0.1:" + std::to_wstring(m_router.Port())));
        ASSERT_TRUE(m_notifier.Start(L"/LOG", 150000));
        m_hMain = m_notifier.WaitForMainWindow(kWaitMs);
        ASSERT_NE(m_hMain, nullptr) << DescribeRun(m_notifier);
        ASSERT_GE(m_notifier.WaitForLine(L"CSockClient::OnConnect, 0.", 30000), 0) << DescribeRun(m_notifier);
        m_hLink = GetDlgItem(m_hMain, IDC_UPDATE_LINK);
    }

    void TearDown() override
    {
        if (!HasOpenLog())
            return;
        m_router.AddSteps("end\n");
        EXPECT_TRUE(m_notifier.Stop()) << DescribeRun(m_notifier);
        m_router.Stop();
        DeleteSettings();
        RemoveDownloads();
    }

    // Sends a router message and waits for the program's log line of it.
    void Send(const std::string& step, const std::wstring& strLogged)
    {
        const size_t nFrom = m_notifier.Lines().size();
        ASSERT_TRUE(m_router.AddSteps(step + "\n")) << m_router.Error();
        ASSERT_GE(m_notifier.WaitForLine(strLogged, kWaitMs, nFrom), 0) << DescribeRun(m_notifier);
    }

    // Offers a notifier of another version, to be fetched from the URL; the link shows it.
    void Offer(const std::wstring& strUrl)
    {
        Send("send software \"9.9.9.9\" \"" + Narrow(strUrl) + "\"",
             L"CDlgMain::ReportSoftwareRequired: VER=9.9.9.9, URL=" + strUrl);
        ASSERT_TRUE(WaitUntil([&] { return ControlText(m_hMain, IDC_UPDATE_LINK) == kNotifierOffer; }, 5000));
    }

    // Offers the URL and clicks the offer's link.
    void Follow(const std::wstring& strUrl)
    {
        ASSERT_NO_FATAL_FAILURE(Offer(strUrl));
        ASSERT_TRUE(ClickLink(m_hLink));
    }
    // The same for an installer: the updater dialog that opens, or null.
    HWND FollowToUpdater(const std::wstring& strUrl)
    {
        Follow(strUrl);
        return HasFatalFailure() ? nullptr : WaitForUpdater();
    }

    // The updater dialog of the program (the one with the bold prompt), once it is there.
    HWND WaitForUpdater()
    {
        HWND hUpdater = nullptr;
        WaitUntil(
            [&] {
                hUpdater = FindDialogOfProcess(m_notifier.ProcessId(), [](HWND hWnd) {
                    return GetDlgItem(hWnd, IDC_UPDATER_PROMPT) != nullptr;
                });
                return hUpdater != nullptr;
            },
            kWaitMs);
        return hUpdater;
    }

    // Ready as a user sees it: OK enabled, the name and the size shown.
    static bool WaitForReady(HWND hUpdater)
    {
        return WaitUntil(
            [&] {
                return IsWindowEnabled(GetDlgItem(hUpdater, IDOK)) && IsControlVisible(hUpdater, IDC_UPDATER_SIZE) &&
                       ControlText(hUpdater, IDC_UPDATER_SIZE) != L"-";
            },
            kWaitMs);
    }

    // Answers the program's message box and returns its text (empty if none came).
    std::wstring AnswerBox(int nButton)
    {
        HWND hBox = nullptr;
        WaitUntil([&] { return (hBox = FindMessageBox(m_notifier.ProcessId(), IDC_UPDATER_PROMPT)) != nullptr; },
                  kWaitMs);
        if (hBox == nullptr)
            return std::wstring();
        // The box's window comes before its text.
        std::wstring strText;
        WaitUntil([&] { return !(strText = ControlText(hBox, 0xFFFF)).empty(); }, 5000);
        PressButton(hBox, nButton);
        WaitUntil([&] { return !IsWindow(hBox); }, kWaitMs);
        return strText;
    }

    static std::wstring DownloadFolder()
    {
        wchar_t szFolder[MAX_PATH] = {};
        SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, szFolder);
        return std::wstring(szFolder) + L"\\Tessaro Notifier";
    }
    static std::wstring Downloaded(const std::wstring& strName) { return DownloadFolder() + L"\\" + strName; }
    static void RemoveDownloads()
    {
        for (const wchar_t* pszName : {L"setup.exe", L"setup.exe.ran", L"slow.exe", L"empty.exe", L"closed.exe"})
            DeleteFileW(Downloaded(pszName).c_str());
    }

    CRouterServer m_router;
    CNotifierRun m_notifier;
    HWND m_hMain = nullptr;
    HWND m_hLink = nullptr;
};

// Statuses 2, 3, 4, 1 and 0xFF in turn: each sets the link control's text, 2 to 4 raise a
// popup each, and where the text has a link, a click on it opens the router's upgrade page;
// a click on the heading does nothing without one. The window shows the section again for
// any status but 1.
TEST_F(LiveUpdateTest, FirmwareStatusesSetTheLinkRaisePopupsAndOpenTheUpgradePage)
{
    CPopupWatch popups(m_notifier.ProcessId());
    const HWND hHeading = GetDlgItem(m_hMain, IDC_UPDATE_TITLE);
    ASSERT_NE(hHeading, nullptr);
    ShowStatusWindow(m_hMain);
    EXPECT_FALSE(IsControlVisible(m_hMain, IDC_UPDATE_TITLE)) << "no update under way";

    const struct {
        const char* pszStatus;
        const wchar_t* pszLogged;
        const wchar_t* pszLink;
        bool bSectionShown;
    } cases[] = {
        {"2", L"0x2", L"New firmware is available. Click <a>here</a> to proceed.", true},
        {"3", L"0x3", L"Upgrading firmware...", true},
        {"4", L"0x4", L"The router needs to be <a>rebooted</a> to complete upgrading.", true},
        {"1", L"0x1", L"", false},
        {"0xFF", L"0xFFFFFFFF", L"", true},
    };
    const size_t nOpenedBefore = OpenedAddresses().size();
    size_t nLinks = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszStatus);
        Send(std::string("send liveupdate ") + c.pszStatus, std::wstring(L"CDlgMain::ReportLiveUpdateStatus: ") + c.pszLogged);
        EXPECT_TRUE(WaitUntil([&] { return ControlText(m_hMain, IDC_UPDATE_LINK) == c.pszLink; }, 5000))
            << Narrow(ControlText(m_hMain, IDC_UPDATE_LINK));
        ShowStatusWindow(m_hMain);
        EXPECT_EQ(IsControlVisible(m_hMain, IDC_UPDATE_TITLE), c.bSectionShown);
        EXPECT_EQ(IsControlVisible(m_hMain, IDC_UPDATE_LINK), c.bSectionShown);

        const bool bHasLink = std::wstring(c.pszLink).find(L"<a>") != std::wstring::npos;
        POINT pt = {};
        EXPECT_EQ(FindLinkPoint(m_hLink, &pt), bHasLink) << "a link part in the control";
        if (bHasLink) {
            ++nLinks;
            ASSERT_TRUE(ClickLink(m_hLink));
            EXPECT_TRUE(WaitUntil([&] { return OpenedSince(nOpenedBefore).size() >= nLinks; }, kWaitMs))
                << "the click on the link opened nothing";
        } else {
            // Handled in turn with the clicks after it: the last address below shows it did nothing.
            ClickLabel(m_hMain, IDC_UPDATE_TITLE);
        }
    }
    // A page that does open, after the clicks that should not have.
    ClickLabel(m_hMain, IDC_STATUS_TITLE);
    EXPECT_TRUE(WaitUntil([&] { return OpenedSince(nOpenedBefore).size() >= nLinks + 1; }, kWaitMs));
    EXPECT_THAT(OpenedSince(nOpenedBefore), ElementsAre(StartsWith(kUpgradePage), StartsWith(kUpgradePage),
                                                        StartsWith(kOverviewPage)));

    // One popup each for 2, 3 and 4, shown in turn (each for its six seconds); none after
    // them for 1 and 0xFF, which would have come next.
    EXPECT_TRUE(WaitUntil([&] { return popups.Count() >= 3 && !popups.IsOneOpen(); }, 45000)) << popups.Count();
    EXPECT_FALSE(WaitUntil([&] { return popups.Count() > 3; }, 2000)) << popups.Count();
}

std::wstring InternetText(DWORD nError)
{
    // The texts are the internet library's own; this process has not loaded it.
    const HMODULE hWininet = LoadLibraryExW(L"wininet.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    wchar_t szText[512] = {};
    FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS, hWininet, nError, 0, szText, 512,
                   nullptr);
    if (hWininet != nullptr)
        FreeLibrary(hWininet);
    // The box shows the text without the message table's line end.
    std::wstring strText = szText;
    while (!strText.empty() && (strText.back() == L'\n' || strText.back() == L'\r'))
        strText.pop_back();
    return strText;
}

LONGLONG FileSize(const std::wstring& strPath)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(strPath.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return (static_cast<LONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The updater's counter, "received/total"; false while it shows something else.
bool ReadCounter(HWND hUpdater, long long* pReceived, long long* pTotal)
{
    static const std::wregex s_counter(L"(\\d+)/(\\d+)");
    const std::wstring strText = ControlText(hUpdater, IDC_UPDATER_STATUS);
    std::wsmatch match;
    if (!std::regex_match(strText, match, s_counter))
        return false;
    *pReceived = std::stoll(match[1].str());
    *pTotal = std::stoll(match[2].str());
    return true;
}

// Notifier offers in one run of the program, each followed by a click on the link: an
// installer is downloaded into the local application data and opened; the showings after
// it start over in Checking; a download of unknown length counts alone and is abandoned
// on a Yes to the cancel question; an empty body, a closed port, a click meanwhile on the
// offer's popup, and an offer of a page instead of an installer.
TEST_F(LiveUpdateTest, NotifierOffersRunTheUpdaterFromTheLink)
{
    const std::wstring strWork = MakeServedFolder(L"tn-e2e-update");
    ASSERT_FALSE(strWork.empty());
    const std::wstring strRoot = strWork + L"\\www";
    ASSERT_TRUE(CreateDirectoryW((strRoot + L"\\dl").c_str(), nullptr));
    // The probe of the updater tests stands in for the installer.
    const std::wstring strTestFolder = NotifierPath().substr(0, NotifierPath().rfind(L'\\'));
    const std::string probe = ReadBytes(strTestFolder + L"\\tests\\windows\\UpdaterProbe.exe");
    ASSERT_FALSE(probe.empty());
    ASSERT_TRUE(WriteBytes(strRoot + L"\\dl\\setup.exe", probe));
    ASSERT_TRUE(WriteBytes(strRoot + L"\\setup.exe", probe));
    CLoopbackHttp servers;
    ASSERT_TRUE(servers.Start(strRoot, strWork, 120)) << "the HTTP servers of tests/http did not start";
    const DWORD nPid = m_notifier.ProcessId();
    ShowStatusWindow(m_hMain);

    {
        SCOPED_TRACE("an installer: stored and opened");
        const HWND hUpdater = FollowToUpdater(servers.StockUrl(L"/dl/setup.exe"));
        ASSERT_NE(hUpdater, nullptr) << DescribeRun(m_notifier);
        EXPECT_EQ(GetWindow(hUpdater, GW_OWNER), m_hMain);
        EXPECT_FALSE(IsWindowEnabled(m_hMain)) << "the updater is modal";
        ASSERT_TRUE(WaitForReady(hUpdater));
        EXPECT_EQ(ControlText(hUpdater, IDC_UPDATER_FILE_NAME), L"setup.exe");
        EXPECT_EQ(ControlText(hUpdater, IDC_UPDATER_SIZE), std::to_wstring(probe.size()));
        // The offer's popup link meanwhile brings the open dialog forward, no second one;
        // the program takes it before the OK posted after it.
        ClickLabel(m_hMain, IDC_UPDATE_TITLE);
        PressButton(hUpdater, IDOK);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(hUpdater); }, kWaitMs));
        EXPECT_EQ(m_notifier.CountLines(L"] CUpdaterThread::InitInstance"), 1u) << DescribeRun(m_notifier);
        EXPECT_EQ(ReadBytes(Downloaded(L"setup.exe")), probe);
        EXPECT_TRUE(WaitUntil([&] { return ReadBytes(Downloaded(L"setup.exe.ran")) == "ran\n"; }, kWaitMs))
            << "the stored installer was not opened";
        EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(m_hMain) != FALSE; }, 5000));
        // The offer stays actionable.
        EXPECT_EQ(ControlText(m_hMain, IDC_UPDATE_LINK), kNotifierOffer);
    }
    {
        SCOPED_TRACE("a second showing: Checking first; Cancel, Yes in Ready");
        ASSERT_TRUE(DeleteFileW(Downloaded(L"setup.exe").c_str()));
        const HWND hUpdater = FollowToUpdater(servers.ScriptedUrl(L"/late/setup.exe"));
        ASSERT_NE(hUpdater, nullptr);
        // The server answers after 3 s: long enough to see what the dialog shows meanwhile.
        EXPECT_TRUE(WaitUntil([&] { return ControlText(hUpdater, IDC_UPDATER_STATUS) == kChecking; }, 2000))
            << Narrow(ControlText(hUpdater, IDC_UPDATER_STATUS));
        EXPECT_TRUE(IsControlVisible(hUpdater, IDC_UPDATER_STATUS));
        EXPECT_FALSE(IsControlVisible(hUpdater, IDC_UPDATER_SIZE));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(hUpdater, IDOK)));
        ASSERT_TRUE(WaitForReady(hUpdater));
        PressButton(hUpdater, IDCANCEL);
        EXPECT_EQ(AnswerBox(IDYES), L"Do you want to cancel the Notifier update?");
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(hUpdater); }, kWaitMs));
        EXPECT_EQ(GetFileAttributesW(Downloaded(L"setup.exe").c_str()), INVALID_FILE_ATTRIBUTES);
    }
    {
        SCOPED_TRACE("no length: the counter counts alone; No goes on, Yes abandons");
        const HWND hUpdater = FollowToUpdater(servers.ScriptedUrl(L"/slow-nolength/slow.exe"));
        ASSERT_NE(hUpdater, nullptr);
        ASSERT_TRUE(WaitForReady(hUpdater));
        EXPECT_EQ(ControlText(hUpdater, IDC_UPDATER_SIZE), L"0");
        PressButton(hUpdater, IDOK);
        long long nReceived = 0;
        long long nTotal = -1;
        EXPECT_TRUE(WaitUntil([&] { return ReadCounter(hUpdater, &nReceived, &nTotal) && nReceived > 0; }, kWaitMs));
        EXPECT_EQ(nTotal, 0);
        EXPECT_TRUE(IsControlVisible(hUpdater, IDC_UPDATER_PROGRESS));
        PressButton(hUpdater, IDCANCEL);
        EXPECT_FALSE(AnswerBox(IDNO).empty());
        const long long nAtNo = nReceived;
        EXPECT_TRUE(WaitUntil([&] { return ReadCounter(hUpdater, &nReceived, &nTotal) && nReceived > nAtNo; }, kWaitMs))
            << "the transfer did not go on after No";
        EXPECT_GT(FileSize(Downloaded(L"slow.exe")), 0);
        PressButton(hUpdater, IDCANCEL);
        EXPECT_FALSE(AnswerBox(IDYES).empty());
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(hUpdater); }, kWaitMs));
        EXPECT_EQ(GetFileAttributesW(Downloaded(L"slow.exe").c_str()), INVALID_FILE_ATTRIBUTES)
            << "the partial file was left";
        EXPECT_GE(m_notifier.WaitForLine(L"CUpdaterThread::OnStartUpdate: cancelled.", 5000), 0);
    }
    {
        SCOPED_TRACE("an empty body: stored empty at once");
        const HWND hUpdater = FollowToUpdater(servers.ScriptedUrl(L"/empty/empty.exe"));
        ASSERT_NE(hUpdater, nullptr);
        ASSERT_TRUE(WaitForReady(hUpdater));
        EXPECT_EQ(ControlText(hUpdater, IDC_UPDATER_SIZE), L"0");
        PressButton(hUpdater, IDOK);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(hUpdater); }, kWaitMs));
        EXPECT_EQ(FileSize(Downloaded(L"empty.exe")), 0);
    }
    {
        SCOPED_TRACE("a closed port: the error box");
        const uint16_t nClosed = ClosedLoopbackPort();
        ASSERT_NE(nClosed, 0);
        ASSERT_NO_FATAL_FAILURE(Follow(L"http://127.0.0.1:" + std::to_wstring(nClosed) + L"/closed.exe"));
        HWND hBox = nullptr;
        ASSERT_TRUE(WaitUntil([&] { return (hBox = FindMessageBox(nPid, IDC_UPDATER_PROMPT)) != nullptr; }, kWaitMs));
        const HWND hUpdater = FindDialogOfProcess(nPid, [](HWND hWnd) {
            return GetDlgItem(hWnd, IDC_UPDATER_PROMPT) != nullptr;
        });
        EXPECT_TRUE(hUpdater == nullptr || !IsWindowVisible(hUpdater)) << "the dialog hides behind its error box";
        EXPECT_THAT(AnswerBox(IDOK), StartsWith(InternetText(ERROR_INTERNET_CANNOT_CONNECT)));
        EXPECT_TRUE(WaitUntil(
            [&] {
                return FindDialogOfProcess(nPid, [](HWND hWnd) {
                           return GetDlgItem(hWnd, IDC_UPDATER_PROMPT) != nullptr;
                       }) == nullptr;
            },
            kWaitMs));
        EXPECT_EQ(GetFileAttributesW(Downloaded(L"closed.exe").c_str()), INVALID_FILE_ATTRIBUTES);
        EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(m_hMain) != FALSE; }, 5000));
    }
    {
        SCOPED_TRACE("a page, not an installer: the browser");
        const size_t nOpened = OpenedAddresses().size();
        const std::wstring strPage = servers.StockUrl(L"/notes.html");
        ASSERT_NO_FATAL_FAILURE(Follow(strPage));
        EXPECT_TRUE(WaitUntil([&] { return OpenedSince(nOpened).size() >= 1; }, kWaitMs));
        EXPECT_THAT(OpenedSince(nOpened), ElementsAre(strPage));
        EXPECT_EQ(FindDialogOfProcess(nPid, [](HWND hWnd) { return GetDlgItem(hWnd, IDC_UPDATER_PROMPT) != nullptr; }),
                  nullptr);
    }
    servers.Stop();
    for (const wchar_t* pszFile : {L"\\www\\dl\\setup.exe", L"\\www\\setup.exe"})
        DeleteFileW((strWork + pszFile).c_str());
    RemoveDirectoryW((strRoot + L"\\dl").c_str());
    RemoveDirectoryW(strRoot.c_str());
    RemoveDirectoryW(strWork.c_str());
}

}  // namespace

// The main window made from the program's own template 102 and driven in-process: what a
// refresh puts into the status group and the tray icon, the layout of the groups on the real
// controls, the semibold headings after an activation change, the keys and requests the
// window ignores or obeys, and hiding when another window takes the activation.
//
// One window serves the whole binary, as one serves the program: the layout measures its
// groups once per process. Its timer is killed as soon as it is made, so it never tries the
// router; the settings name 127.0.0.1:1 all the same.
//
// For a look at the window: tools/screenshot.sh runs this binary's "StatusScreenshots"
// child in the sandbox and photographs the display.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <gmock/gmock.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/AppMain.h"
#include "app/AppString.h"
#include "app/Log.h"
#include "app/Settings.h"
#include "framework/WinThread.h"
#include "resources/resource.h"
#include "status/DialogLayout.h"
#include "status/DlgMain.h"
#include "tests/windows/support/ChildScenario.h"
#include "tests/windows/support/IconPixels.h"
#include "tests/windows/support/MemorySettings.h"
#include "tests/windows/support/MessagePump.h"
#include "tests/windows/support/OpenLog.h"
#include "tests/windows/support/ScreenshotHold.h"
#include "tests/windows/support/TextExtent.h"
#include "tests/windows/support/WindowRects.h"
#include "tools/sim/MessageEncoder.h"

namespace {

using testing::ElementsAre;
using testing::IsEmpty;

// ---------------------------------------------------------------------------------------
// The process as start-up leaves it: settings from a store in memory, the main window's
// class, the common controls, and the log collected here.

std::vector<std::wstring> g_log;

// A refused tray call shows the modal "Application error." box, which would stop the test
// until its time runs out. A watcher thread answers such a box at once and counts it.
std::atomic<int> g_nErrorBoxes{0};

BOOL CALLBACK AnswerErrorBox(HWND hWnd, LPARAM)
{
    DWORD nProcessId = 0;
    GetWindowThreadProcessId(hWnd, &nProcessId);
    wchar_t szClass[16] = {};
    if (nProcessId != GetCurrentProcessId() || !GetClassNameW(hWnd, szClass, 16) || lstrcmpW(szClass, L"#32770") != 0)
        return TRUE;
    wchar_t szText[64] = {};
    GetDlgItemTextW(hWnd, 0xFFFF, szText, 64);
    if (lstrcmpW(szText, L"Application error.") == 0) {
        ++g_nErrorBoxes;
        PostMessageW(hWnd, WM_COMMAND, IDOK, 0);
    }
    return TRUE;
}

// Wine's notification area is a window of its desktop process (explorer /desktop); when
// that process goes, as with the X display it was started on, the shell refuses every call.
std::string TrayRefused()
{
    return FindWindowW(L"Shell_TrayWnd", nullptr) != nullptr
               ? "the shell refused the tray icon"
               : "the shell refused the tray icon: there is no notification area (Shell_TrayWnd)";
}

DWORD WINAPI WatchForErrorBoxes(void*)
{
    for (;;) {
        EnumWindows(AnswerErrorBox, 0);
        Sleep(100);
    }
}

void CaptureLine(const wchar_t* pszLine)
{
    g_log.emplace_back(pszLine);
}

bool PrepareProcess()
{
    static const bool s_bReady = [] {
        static CMemoryStore s_store;
        static CFixedVersion s_version;
        CSettings::SetStore(&s_store, &s_version);
        const CSettings& settings = CSettings::GetInstance();
        if (!settings.m_bValid || settings.m_strIpAddress != L"127.0.0.1" || settings.m_nPort != 1)
            return false;
        XLogSetSink(CaptureLine);
        HANDLE hWatcher = CreateThread(nullptr, 0, WatchForErrorBoxes, nullptr, 0, nullptr);
        if (hWatcher == nullptr)
            return false;
        CloseHandle(hWatcher);
        INITCOMMONCONTROLSEX icc = {sizeof(icc), 0xFF};
        INITCOMMONCONTROLSEX iccLink = {sizeof(iccLink), ICC_LINK_CLASS};
        if (!InitCommonControlsEx(&icc) || !InitCommonControlsEx(&iccLink))
            return false;
        WNDCLASSW wc = {};
        if (!GetClassInfoW(nullptr, L"#32770", &wc))
            return false;
        wc.lpszClassName = kMainWindowClassName;
        wc.hInstance = GetModuleHandleW(nullptr);
        return RegisterClassW(&wc) != 0;
    }();
    return s_bReady;
}

// The window under test, with counters on the keys' commands and on its own deletion.
class CProbedDlgMain : public CDlgMain {
public:
    ~CProbedDlgMain() override
    {
        ++s_nDeleted;
        s_bIconAddedAtDeletion = m_notifyIcon.IsAdded();
    }
    static inline int s_nDeleted = 0;
    static inline bool s_bIconAddedAtDeletion = false;
    int m_nOk = 0;
    int m_nCancel = 0;

protected:
    void OnOK() override
    {
        ++m_nOk;
        CDlgMain::OnOK();
    }
    void OnCancel() override
    {
        ++m_nCancel;
        CDlgMain::OnCancel();
    }
};

// Made as start-up makes it: hidden, from template 102 of this binary's resources. The timer
// goes at once; bForgetTimer leaves its id in the window, as if it were still running.
CProbedDlgMain* MakeMainWindow(bool bForgetTimer = false)
{
    auto* pDlg = new CProbedDlgMain();
    if (!pDlg->Create(IDD_MAIN, nullptr)) {
        delete pDlg;
        return nullptr;
    }
    KillTimer(pDlg->m_hWnd, IDT_CONNECT);
    if (!bForgetTimer)
        pDlg->m_nTimerId = 0;
    return pDlg;
}

// ---------------------------------------------------------------------------------------
// Messages, windows and images.

// Everything posted so far has been handled.
void PumpPending()
{
    PumpUntil([] { return true; }, 0);
}

// The style bit: a control of the hidden window is "shown" all the same.
bool HasVisibleStyle(HWND hDialog, int nId)
{
    return (GetWindowLongW(GetDlgItem(hDialog, nId), GWL_STYLE) & WS_VISIBLE) != 0;
}

// Controls of the device-status group that the refresh shows or hides by the link's state;
// the layout shows them with their group and the refresh after it sorts them out.
bool FollowsTheLink(int nId)
{
    return nId == IDC_NO_CONNECTION || nId == IDC_STATUS_LINE || nId == IDC_SIGNAL_ICON || nId == IDC_TECHNOLOGY ||
           nId == IDC_USERS;
}

std::wstring ItemText(HWND hDialog, int nId)
{
    wchar_t sz[512] = {};
    GetDlgItemTextW(hDialog, nId, sz, 512);
    return sz;
}

std::vector<uint32_t> ResourceIconPixels(uint32_t nId, int nSize)
{
    HICON hIcon = static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(nId), IMAGE_ICON, nSize, nSize, LR_DEFAULTCOLOR));
    std::vector<uint32_t> pixels = IconPixels(hIcon);
    if (hIcon)
        DestroyIcon(hIcon);
    return pixels;
}

// The one image of ids nFirst to nLast, loaded at nSize pixels, that looks like hIcon; 0 for
// none or several.
uint32_t ImageIdOf(HICON hIcon, uint32_t nFirst, uint32_t nLast, int nSize)
{
    const std::vector<uint32_t> pixels = IconPixels(hIcon);
    uint32_t nFound = 0;
    for (uint32_t nId = nFirst; nId <= nLast && !pixels.empty(); ++nId) {
        if (ResourceIconPixels(nId, nSize) == pixels) {
            if (nFound != 0)
                return 0;
            nFound = nId;
        }
    }
    return nFound;
}

uint32_t TrayImageId(HICON hIcon)
{
    return ImageIdOf(hIcon, IDI_TRAY_UNSEEN_0, IDI_TRAY_NONE, 16);
}

// What icon label 1013 shows, at the signal images' real size.
uint32_t SignalImageId(HWND hDialog)
{
    HICON hIcon = reinterpret_cast<HICON>(SendDlgItemMessageW(hDialog, IDC_SIGNAL_ICON, STM_GETICON, 0, 0));
    return ImageIdOf(hIcon, IDI_SIGNAL_0, IDI_SIGNAL_5, 32);
}

// The lists are filled only by their Add, so a test that needs them empty makes them anew.
template <typename T>
void Renew(T& member)
{
    std::destroy_at(&member);
    std::construct_at(&member);
}

void AddSms(CDlgMain& dlg, uint32_t nId, const char* pszText)
{
    const SimBytes message = EncodeSms("07/03/2009 14:05", "+4912345678", pszText, nId);
    dlg.m_smsList.Add(message.data(), message.size());
}

void AddMissedCall(CDlgMain& dlg, uint32_t nId, const char* pszTime, const char* pszCaller)
{
    const SimBytes message = EncodeMissedCall(pszTime, pszCaller, nId);
    dlg.m_missedCallList.Add(message.data(), message.size());
}

// Client origin and height of each group as the layout measures them.
struct MeasuredGroups {
    GroupGeometry aGroups[kLayoutGroupCount];
};

MeasuredGroups MeasureGroups(HWND hDialog)
{
    MeasuredGroups measured;
    for (size_t g = 0; g < kLayoutGroupCount; ++g) {
        const int32_t* pIds = s_layoutGroupIds[g];
        size_t nLast = 0;
        while (pIds[nLast + 1] != 0)
            ++nLast;
        const RECT rcAnchor = ItemRect(hDialog, pIds[0]);
        const RECT rcLast = ItemRect(hDialog, pIds[nLast]);
        measured.aGroups[g].ptOrigin = Point{rcAnchor.left, rcAnchor.top};
        measured.aGroups[g].nHeight = rcLast.bottom - rcAnchor.top;
    }
    return measured;
}

// ---------------------------------------------------------------------------------------
// The shared window and what was seen of it as it was made.

struct CreationRecord {
    std::vector<std::wstring> log;
    bool bCreated = false;
    bool bVisible = true;
    bool bAdded = false;
    int nErrorBoxes = 0;
    std::wstring strTip;
    uint32_t nTrayImage = 0;
    std::map<int, bool> statusShown;  // the device-status group's controls
    std::wstring strNoConnection;
    RECT rcWindow = {};                 // after the window's first placement
    std::map<int, RECT> rcTemplate;     // every grouped control as the template made it
    std::map<int, RECT> rcFirstLayout;  // after the first showing's layout, mask 15
    RECT rcWindowAfterFirstLayout = {};
    MeasuredGroups groups;  // measured after the first layout
};

class MainWindow : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!PrepareProcess())
            return;
        g_log.clear();
        s_pDlg = MakeMainWindow();
        s_record.log = g_log;
        if (s_pDlg == nullptr)
            return;
        const HWND hDlg = s_pDlg->m_hWnd;
        s_record.bCreated = true;
        s_record.bVisible = IsWindowVisible(hDlg) != FALSE;
        s_record.bAdded = s_pDlg->m_notifyIcon.IsAdded();
        s_record.nErrorBoxes = g_nErrorBoxes;
        s_record.strTip = s_pDlg->m_notifyIcon.Record().szTip;
        s_record.nTrayImage = TrayImageId(s_pDlg->m_notifyIcon.Record().hIcon);
        for (const int32_t* pId = s_deviceStatusGroupIds; *pId != 0; ++pId)
            s_record.statusShown[*pId] = HasVisibleStyle(hDlg, *pId);
        s_record.strNoConnection = ItemText(hDlg, IDC_NO_CONNECTION);
        s_record.rcWindow = WindowRect(hDlg);
        for (const int32_t* pGroup : s_layoutGroupIds)
            for (const int32_t* pId = pGroup; *pId != 0; ++pId)
                s_record.rcTemplate[*pId] = ItemRect(hDlg, *pId);
        // The first showing of the process; its mask is the template's own arrangement.
        s_pDlg->m_dlgBase.UpdateLayout(kLayoutMaskAll);
        for (const auto& [nId, rc] : s_record.rcTemplate)
            s_record.rcFirstLayout[nId] = ItemRect(hDlg, nId);
        s_record.rcWindowAfterFirstLayout = WindowRect(hDlg);
        s_record.groups = MeasureGroups(hDlg);
    }

    static void TearDownTestSuite()
    {
        if (s_pDlg != nullptr)
            DestroyWindow(s_pDlg->m_hWnd);
        s_pDlg = nullptr;
    }

    // Every test starts from the hidden window with nothing known, no SMS, no missed calls,
    // no update offer, and an empty log.
    void SetUp() override
    {
        ASSERT_TRUE(s_record.bCreated);
        // Without a notification area every refresh would bring up the box again.
        ASSERT_EQ(s_record.nErrorBoxes, 0) << TrayRefused();
        CDlgMain& dlg = *s_pDlg;
        if (::IsWindowVisible(dlg.m_hWnd))
            dlg.ShowWindow(SW_HIDE);
        Renew(dlg.m_smsList);
        Renew(dlg.m_missedCallList);
        ListView_DeleteAllItems(dlg.m_lstMissedCalls.m_hWnd);
        dlg.m_status = CDeviceStatus();
        dlg.m_bUnseenEvents = 0;
        CSettings& settings = CSettings::GetInstance();
        settings.m_nLiveUpdateStatus = 1;
        settings.m_strNotifierVersion.clear();
        settings.m_strNotifierUrl.clear();
        dlg.RefreshDisplay();
        PumpPending();
        g_log.clear();
    }

    void TearDown() override
    {
        if (s_pDlg != nullptr && ::IsWindowVisible(s_pDlg->m_hWnd))
            s_pDlg->ShowWindow(SW_HIDE);
        PumpPending();
    }

    HWND Dlg() const { return s_pDlg->m_hWnd; }

    static inline CProbedDlgMain* s_pDlg = nullptr;
    static inline CreationRecord s_record;
};

// ---------------------------------------------------------------------------------------
// RefreshDisplay

TEST_F(MainWindow, AfterCreationShowsLinkDownIconWithoutTooltip)
{
    EXPECT_FALSE(s_record.bVisible);
    EXPECT_TRUE(s_record.bAdded);
    EXPECT_EQ(s_record.strTip, L"");
    EXPECT_EQ(s_record.nTrayImage, static_cast<uint32_t>(IDI_TRAY_NONE));
    EXPECT_THAT(s_record.log, ElementsAre(L"CNotifyIcon::SetText: improper call, ignored.\n"));
    EXPECT_EQ(s_record.strNoConnection, L"No connection to the router");
    const std::map<int, bool> expected = {{1010, true}, {1013, false}, {1001, false},
                                          {1020, true}, {1012, false}, {1014, false}};
    EXPECT_EQ(s_record.statusShown, expected);
}

struct RefreshCase {
    const char* pszName;
    void (*pfnApply)(CDlgMain& dlg);  // from link down, nothing known
    bool bUnseenEvents;
    bool bLinkUp;
    // Link up only: 1001, 1014, 1012 and the signal image of 1013 (0: none).
    const wchar_t* pszStatusLine;
    const wchar_t* pszTechnology;
    const wchar_t* pszUsers;
    uint32_t nSignalImage;
    const wchar_t* pszTip;
    uint32_t nTrayImage;
};

void Registered(CDlgMain& dlg)
{
    dlg.SetRouterConnected(true);
    dlg.SetRegistrationState(1, 3, 5, L"Provider");
    dlg.SetSignalStrength(3);
}

const RefreshCase s_refreshCases[] = {
    {"registered, HSDPA, good signal", Registered, false, true, L"Registered to Provider", L"HSDPA", L"-", 132,
     L"Registered to Provider\nHSDPA\nGood signal", 151},
    {"the same with unseen events", Registered, true, true, L"Registered to Provider", L"HSDPA", L"-", 132,
     L"Registered to Provider\nHSDPA\nGood signal", 144},
    {"connected, no registration yet",
     [](CDlgMain& dlg) {
         dlg.SetRouterConnected(true);
         dlg.SetConnectionState(3);
     },
     false, true, L"Connected", L"-", L"-", 0, L"Connected", 154},
    {"connected to the operator, with users",
     [](CDlgMain& dlg) {
         Registered(dlg);
         dlg.SetConnectionState(3);
         dlg.SetConnectedUsersCount(1, 2);
         dlg.SetConnectedUsersCount(2, 1);
         dlg.SetSignalStrength(0);
     },
     false, true, L"Connected to Provider", L"HSDPA", L"Connected users: 3", 129,
     L"Connected to Provider\nHSDPA\nNo signal", 148},
    {"link up, nothing known", [](CDlgMain& dlg) { dlg.SetRouterConnected(true); }, false, true, L"-", L"-", L"-", 0,
     L"", 154},
    {"link lost after being up",
     [](CDlgMain& dlg) {
         Registered(dlg);
         dlg.SetRouterConnected(false);
     },
     false, false, nullptr, nullptr, nullptr, 0, L"No connection to the router", 154},
};

TEST_F(MainWindow, RefreshShowsStatusGroupTrayIconAndTooltip)
{
    for (const RefreshCase& c : s_refreshCases) {
        SCOPED_TRACE(c.pszName);
        SetUp();
        s_pDlg->m_bUnseenEvents = c.bUnseenEvents ? 1 : 0;
        c.pfnApply(*s_pDlg);
        PumpPending();  // the signal image and the tray follow a burst once it is over

        EXPECT_EQ(HasVisibleStyle(Dlg(), IDC_NO_CONNECTION), !c.bLinkUp);
        for (int nId : {IDC_STATUS_LINE, IDC_SIGNAL_ICON, IDC_TECHNOLOGY, IDC_USERS})
            EXPECT_EQ(HasVisibleStyle(Dlg(), nId), c.bLinkUp) << nId;
        if (c.bLinkUp) {
            EXPECT_EQ(ItemText(Dlg(), IDC_STATUS_LINE), c.pszStatusLine);
            EXPECT_EQ(ItemText(Dlg(), IDC_TECHNOLOGY), c.pszTechnology);
            EXPECT_EQ(ItemText(Dlg(), IDC_USERS), c.pszUsers);
            EXPECT_EQ(SignalImageId(Dlg()), c.nSignalImage);
        }
        const NOTIFYICONDATAW& record = s_pDlg->m_notifyIcon.Record();
        EXPECT_STREQ(record.szTip, c.pszTip);
        EXPECT_EQ(TrayImageId(record.hIcon), c.nTrayImage);
        EXPECT_TRUE(s_pDlg->m_notifyIcon.IsAdded());
        EXPECT_FALSE(IsWindowVisible(Dlg()));
        // The shell took every image and tooltip: a refused image shows the error box, a
        // refused tooltip is logged.
        EXPECT_EQ(g_nErrorBoxes, 0);
        EXPECT_THAT(g_log, IsEmpty());
    }
}

// Counts what a control is told to change: its text, its image, its visibility.
class CControlChanges {
public:
    explicit CControlChanges(HWND hDialog)
    {
        s_nChanges = 0;
        for (const int32_t* pGroup : s_layoutGroupIds)
            for (const int32_t* pId = pGroup; *pId != 0; ++pId) {
                HWND hItem = GetDlgItem(hDialog, *pId);
                const auto pfnOld =
                    SetWindowLongPtrW(hItem, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CControlChanges::Count));
                m_subclassed.push_back({hItem, reinterpret_cast<WNDPROC>(pfnOld)});
                SetPropW(hItem, L"TnTestOldProc", reinterpret_cast<HANDLE>(pfnOld));
            }
    }
    ~CControlChanges()
    {
        for (const auto& [hItem, pfnOld] : m_subclassed) {
            SetWindowLongPtrW(hItem, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(pfnOld));
            RemovePropW(hItem, L"TnTestOldProc");
        }
    }
    static int Changes() { return s_nChanges; }

private:
    static LRESULT CALLBACK Count(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
    {
        if (nMsg == WM_SETTEXT || nMsg == STM_SETICON || nMsg == STM_SETIMAGE || nMsg == WM_SHOWWINDOW)
            ++s_nChanges;
        const auto pfnOld = reinterpret_cast<WNDPROC>(GetPropW(hWnd, L"TnTestOldProc"));
        return CallWindowProcW(pfnOld, hWnd, nMsg, wParam, lParam);
    }
    static inline int s_nChanges = 0;
    std::vector<std::pair<HWND, WNDPROC>> m_subclassed;
};

// A refresh that changes nothing touches no control and calls no shell; a burst of changes
// costs one shell call, with the burst's last image and tooltip together.
TEST_F(MainWindow, RefreshSetsOnlyWhatChangedAndCallsTheShellOncePerBurst)
{
    CDlgMain& dlg = *s_pDlg;
    AddSms(dlg, 5, "Meet at eight");
    Registered(dlg);
    dlg.SetConnectedUsersCount(1, 2);
    dlg.SetConnectedUsersCount(2, 1);
    PumpPending();
    ASSERT_FALSE(dlg.m_notifyIcon.NeedsFlush());

    CControlChanges changes(Dlg());
    const int nShellCalls = dlg.m_notifyIcon.ShellCallCount();
    for (int i = 0; i < 50; ++i)
        dlg.SetSignalStrength(3);
    dlg.SetRegistrationState(1, 3, 5, L"Provider");
    PumpPending();
    EXPECT_EQ(CControlChanges::Changes(), 0);
    EXPECT_EQ(dlg.m_notifyIcon.ShellCallCount(), nShellCalls);

    for (int nLevel : {0, 1, 2, 5, 4})
        dlg.SetSignalStrength(nLevel);
    // The image label and the shell get the burst's last state once, after it.
    EXPECT_TRUE(dlg.m_notifyIcon.NeedsFlush());
    EXPECT_EQ(dlg.m_notifyIcon.ShellCallCount(), nShellCalls);
    EXPECT_EQ(CControlChanges::Changes(), 0);
    PumpPending();
    EXPECT_EQ(dlg.m_notifyIcon.ShellCallCount(), nShellCalls + 1);
    EXPECT_EQ(dlg.m_notifyIcon.Record().uFlags, static_cast<UINT>(NIF_ICON | NIF_TIP));
    EXPECT_EQ(TrayImageId(dlg.m_notifyIcon.Record().hIcon), static_cast<uint32_t>(IDI_TRAY_4));
    EXPECT_STREQ(dlg.m_notifyIcon.Record().szTip, L"Registered to Provider\nHSDPA\nVery good signal");
    EXPECT_EQ(SignalImageId(Dlg()), static_cast<uint32_t>(IDI_SIGNAL_4));
    // Five refreshes changed one image label, once, and nothing else of the window.
    EXPECT_EQ(CControlChanges::Changes(), 1);
    EXPECT_EQ(g_nErrorBoxes, 0);
}

// When the shell comes back (a new taskbar), the icon returns at once with its image and its
// tooltip, not only at the next change.
TEST_F(MainWindow, NewTaskbarGetsTheIconBackWithItsTooltip)
{
    CDlgMain& dlg = *s_pDlg;
    Registered(dlg);
    PumpPending();
    const int nShellCalls = dlg.m_notifyIcon.ShellCallCount();
    NOTIFYICONDATAW probe = {};
    probe.cbSize = sizeof(probe);
    probe.hWnd = Dlg();
    probe.uID = 1;
    ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &probe));  // as a shell that went away forgets it

    SendMessageW(Dlg(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_EQ(dlg.m_notifyIcon.ShellCallCount(), nShellCalls + 1);
    EXPECT_EQ(dlg.m_notifyIcon.Record().uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_STREQ(dlg.m_notifyIcon.Record().szTip, L"Registered to Provider\nHSDPA\nGood signal");
    EXPECT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &probe));  // the shell has it again
    PumpPending();
    EXPECT_EQ(dlg.m_notifyIcon.ShellCallCount(), nShellCalls + 1);
    EXPECT_EQ(g_nErrorBoxes, 0);
    EXPECT_THAT(g_log, IsEmpty());
}

// A double click on a link arrives as a click and then a double-click notification of the
// same control: the page opens once.
TEST_F(MainWindow, DoubleClickOnALinkOpensItsPageOnce)
{
    if (!HasOpenLog())
        GTEST_SKIP() << "needs the sandbox's recorder of opened addresses";
    const size_t nBefore = OpenedAddresses().size();
    const HWND hTitle = GetDlgItem(Dlg(), IDC_STATUS_TITLE);
    SendMessageW(Dlg(), WM_COMMAND, MAKEWPARAM(IDC_STATUS_TITLE, STN_CLICKED), reinterpret_cast<LPARAM>(hTitle));
    SendMessageW(Dlg(), WM_COMMAND, MAKEWPARAM(IDC_STATUS_TITLE, STN_DBLCLK), reinterpret_cast<LPARAM>(hTitle));
    // The recorder runs in a process of its own: wait for the first address, then long
    // enough for a second one to have come too.
    EXPECT_TRUE(PumpUntil([&] { return OpenedAddresses().size() > nBefore; }, 10000));
    PumpUntil([] { return false; }, 2000);
    const std::vector<std::wstring> opened = OpenedAddresses();
    ASSERT_EQ(opened.size(), nBefore + 1);
    EXPECT_THAT(opened.back(), testing::StartsWith(L"http://127.0.0.1/index.cgi?active_page=page_home"));
}

// The record holds 127 characters and the terminating zero; code units, as UTF-16 counts them.
TEST_F(MainWindow, TooltipIsCutToItsFirst127Characters)
{
    const std::wstring str200(200, L'x'), str127(127, L'y'), str128 = std::wstring(127, L'z') + L'!';
    const struct {
        const wchar_t* pszText;
        std::wstring strTip;
    } cases[] = {
        {str200.c_str(), std::wstring(127, L'x')},
        {str127.c_str(), str127},
        {str128.c_str(), std::wstring(127, L'z')},
        {L"", L""},
        {nullptr, L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.strTip.size() << " characters");
        s_pDlg->m_notifyIcon.SetText(str127.c_str());
        s_pDlg->m_notifyIcon.SetText(c.pszText);
        EXPECT_EQ(std::wstring(s_pDlg->m_notifyIcon.Record().szTip), c.strTip);
    }
    EXPECT_THAT(g_log, IsEmpty());
}

// The current SMS fills the SMS group's texts; the refresh leaves the window's visibility alone.
TEST_F(MainWindow, RefreshShowsCurrentSms)
{
    AddSms(*s_pDlg, 5, "older");
    AddSms(*s_pDlg, 6, "Meet at eight");
    s_pDlg->RefreshDisplay();
    EXPECT_EQ(ItemText(Dlg(), IDC_SMS_COUNTER), L"SMS Messages 1/2");
    EXPECT_EQ(ItemText(Dlg(), IDC_SMS_TEXT), L"Meet at eight");
    EXPECT_THAT(ItemText(Dlg(), IDC_SMS_SENDER), testing::HasSubstr(L"+4912345678"));
    EXPECT_THAT(ItemText(Dlg(), IDC_SMS_TIME), testing::HasSubstr(L"07/03/2009 14:05"));
    EXPECT_FALSE(IsWindowVisible(Dlg()));

    Renew(s_pDlg->m_smsList);
    s_pDlg->RefreshDisplay();
    for (int nId : {IDC_SMS_COUNTER, IDC_SMS_SENDER, IDC_SMS_TIME, IDC_SMS_TEXT})
        EXPECT_EQ(ItemText(Dlg(), nId), L"") << nId;
}

// ---------------------------------------------------------------------------------------
// Layout of the real template

bool IsCounterBlock(int nId)
{
    return nId == IDC_SMS_COUNTER || nId == IDC_SMS_PREV || nId == IDC_SMS_NEXT;
}

TEST_F(MainWindow, FirstPlacementAndFirstLayout)
{
    const RECT rcWork = WorkArea();
    EXPECT_EQ(s_record.rcWindow.right, rcWork.right);
    EXPECT_EQ(s_record.rcWindow.bottom, rcWork.bottom);
    // Mask 15 at the first showing: only the counter block moves, 18 pixels right, and the
    // window, still at the corner, takes the height of its groups (in the template's own font
    // that is the template's height).
    for (const auto& [nId, rcBefore] : s_record.rcTemplate) {
        RECT rcExpected = rcBefore;
        if (IsCounterBlock(nId))
            OffsetRect(&rcExpected, 18, 0);
        const RECT& rcAfter = s_record.rcFirstLayout.at(nId);
        EXPECT_TRUE(EqualRect(&rcAfter, &rcExpected)) << nId;
    }
    const RECT& rcFirst = s_record.rcWindowAfterFirstLayout;
    EXPECT_EQ(rcFirst.right, rcWork.right);
    EXPECT_EQ(rcFirst.bottom, rcWork.bottom);
    EXPECT_EQ(rcFirst.right - rcFirst.left, s_record.rcWindow.right - s_record.rcWindow.left);
    EXPECT_EQ(rcFirst.bottom - rcFirst.top, PlanLayout(kLayoutMaskAll, s_record.groups.aGroups).nWindowHeight);
}

TEST_F(MainWindow, LayoutFollowsTheMaskOnTheRealTemplate)
{
    const RECT rcWork = WorkArea();
    const LONG nWidth = s_record.rcWindow.right - s_record.rcWindow.left;
    const struct {
        uint32_t nMask;
        bool bMovedAway;  // the window is moved off its corner before; the same mask leaves it there
    } steps[] = {{15, false}, {4, false}, {0, false}, {5, false}, {15, false}, {13, false}, {13, true}};
    for (const auto& step : steps) {
        SCOPED_TRACE(testing::Message() << "mask " << step.nMask << (step.bMovedAway ? " again" : ""));
        RECT rcBefore = {};
        if (step.bMovedAway) {
            ASSERT_TRUE(SetWindowPos(Dlg(), nullptr, 5, 6, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));
            rcBefore = WindowRect(Dlg());
        }
        s_pDlg->m_dlgBase.UpdateLayout(step.nMask);

        const RECT rcWindow = WindowRect(Dlg());
        if (step.bMovedAway) {
            EXPECT_TRUE(EqualRect(&rcWindow, &rcBefore));
            continue;
        }
        const LayoutPlan plan = PlanLayout(step.nMask, s_record.groups.aGroups);
        EXPECT_EQ(rcWindow.right, rcWork.right);
        EXPECT_EQ(rcWindow.bottom, rcWork.bottom);
        EXPECT_EQ(rcWindow.right - rcWindow.left, nWidth);
        EXPECT_EQ(rcWindow.bottom - rcWindow.top, plan.nWindowHeight);
        for (size_t g = 0; g < kLayoutGroupCount; ++g) {
            const int nAnchor = s_layoutGroupIds[g][0];
            const RECT rcAnchor = ItemRect(Dlg(), nAnchor);
            EXPECT_EQ(rcAnchor.left, plan.aptOrigin[g].x) << nAnchor;
            EXPECT_EQ(rcAnchor.top, plan.aptOrigin[g].y) << nAnchor;
            for (const int32_t* pId = s_layoutGroupIds[g]; *pId != 0; ++pId) {
                if (!FollowsTheLink(*pId)) {
                    EXPECT_EQ(HasVisibleStyle(Dlg(), *pId), (step.nMask & (1u << g)) != 0) << *pId;
                }
            }
        }
    }
    // Worked out by hand for two masks, independently of the plan.
    const GroupGeometry* groups = s_record.groups.aGroups;
    s_pDlg->m_dlgBase.UpdateLayout(4);
    RECT rcStatus = ItemRect(Dlg(), IDC_STATUS_TITLE);
    EXPECT_EQ(rcStatus.left, groups[kGroupSms].ptOrigin.x);
    EXPECT_EQ(rcStatus.top, groups[kGroupSms].ptOrigin.y);
    RECT rcWindow = WindowRect(Dlg());
    EXPECT_EQ(rcWindow.bottom - rcWindow.top, groups[kGroupDeviceStatus].nHeight + 28);
    s_pDlg->m_dlgBase.UpdateLayout(15);
    s_pDlg->m_dlgBase.UpdateLayout(13);
    rcStatus = ItemRect(Dlg(), IDC_STATUS_TITLE);
    const RECT rcUpgrade = ItemRect(Dlg(), IDC_UPDATE_TITLE);
    EXPECT_EQ(rcStatus.top, groups[kGroupMissedCalls].ptOrigin.y);
    EXPECT_EQ(rcUpgrade.top, rcStatus.top + groups[kGroupDeviceStatus].nHeight + 7);
}

// The groups shown are those with content; the device status always.
TEST_F(MainWindow, ShowStatusWindowShowsGroupsWithContent)
{
    CSettings& settings = CSettings::GetInstance();
    const std::wstring strOwnVersion = settings.m_strVersion;
    const RECT rcWork = WorkArea();
    // Cumulative: each step changes the content left by the one before. The window stays
    // shown from step to step (hiding a window costs Wine two seconds without a window manager).
    const struct {
        const char* pszName;
        void (*pfnApply)(CDlgMain& dlg, CSettings& settings);
        uint32_t nMask;
    } steps[] = {
        {"nothing to show", [](CDlgMain&, CSettings&) {}, 4},
        {"own version announced", [](CDlgMain&, CSettings& s) { s.m_strNotifierVersion = L"1.0.0.91"; }, 4},
        {"own version in other case",
         [](CDlgMain&, CSettings& s) {
             s.m_strVersion = L"1.0.0.91b";
             s.m_strNotifierVersion = L"1.0.0.91B";
         },
         4},
        {"newer notifier announced", [](CDlgMain&, CSettings& s) { s.m_strNotifierVersion = L"1.0.0.92"; }, 12},
        {"no notifier, firmware status 2",
         [](CDlgMain&, CSettings& s) {
             s.m_strNotifierVersion.clear();
             s.m_nLiveUpdateStatus = 2;
         },
         12},
        {"firmware status 1 again", [](CDlgMain&, CSettings& s) { s.m_nLiveUpdateStatus = 1; }, 4},
        {"a missed call", [](CDlgMain& d, CSettings&) { AddMissedCall(d, 3, "07/03/2009 14:10", "+4955555"); }, 6},
        {"an SMS", [](CDlgMain& d, CSettings&) { AddSms(d, 9, "Hello"); }, 7},
        {"firmware status 0", [](CDlgMain&, CSettings& s) { s.m_nLiveUpdateStatus = 0; }, 15},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.pszName);
        step.pfnApply(*s_pDlg, settings);
        s_pDlg->ShowStatusWindow();
        EXPECT_TRUE(IsWindowVisible(Dlg()));
        for (size_t g = 0; g < kLayoutGroupCount; ++g)
            for (const int32_t* pId = s_layoutGroupIds[g]; *pId != 0; ++pId) {
                if (!FollowsTheLink(*pId)) {
                    EXPECT_EQ(HasVisibleStyle(Dlg(), *pId), (step.nMask & (1u << g)) != 0) << *pId;
                }
            }
        // The link is down: of the status lines only "No connection to the router".
        for (int nId : {IDC_STATUS_LINE, IDC_SIGNAL_ICON, IDC_TECHNOLOGY, IDC_USERS, IDC_NO_CONNECTION})
            EXPECT_EQ(HasVisibleStyle(Dlg(), nId), nId == IDC_NO_CONNECTION) << nId;
        const RECT rcWindow = WindowRect(Dlg());
        EXPECT_EQ(rcWindow.bottom - rcWindow.top, PlanLayout(step.nMask, s_record.groups.aGroups).nWindowHeight);
        EXPECT_EQ(rcWindow.right, rcWork.right);
        EXPECT_EQ(rcWindow.bottom, rcWork.bottom);
    }
    settings.m_strVersion = strOwnVersion;
}

// ---------------------------------------------------------------------------------------
// Headings

LOGFONTW FontOf(HWND hWnd)
{
    LOGFONTW logFont = {};
    HFONT hFont = reinterpret_cast<HFONT>(SendMessageW(hWnd, WM_GETFONT, 0, 0));
    EXPECT_EQ(GetObjectW(hFont, sizeof(logFont), &logFont), static_cast<int>(sizeof(logFont)));
    return logFont;
}

SIZE ClientSize(HWND hWnd)
{
    RECT rc = {};
    GetClientRect(hWnd, &rc);
    return SIZE{rc.right, rc.bottom};
}

TEST_F(MainWindow, HeadingsAreSemiboldAndRefittedAtActivation)
{
    const LOGFONTW dialogFont = FontOf(Dlg());
    // Wrong texts and sizes first, so that only the activation can put the right ones back;
    // 1010 gets a longer text, which it must not fit itself to.
    for (int nId : {IDC_SMS_TITLE, IDC_CALLS_TITLE, IDC_UPDATE_TITLE}) {
        SetDlgItemTextW(Dlg(), nId, L"W");
        SetWindowPos(GetDlgItem(Dlg(), nId), nullptr, 0, 0, 3, 30, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    const HWND hStatusTitle = GetDlgItem(Dlg(), IDC_STATUS_TITLE);
    const SIZE sizeStatusTitle = ClientSize(hStatusTitle);
    SetDlgItemTextW(Dlg(), IDC_STATUS_TITLE, L"Device Status and more besides");

    // Losing the activation of the hidden window, as a click elsewhere does.
    SendMessageW(Dlg(), WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), 0);

    const struct {
        int nId;
        uint32_t nString;
    } headings[] = {{IDC_SMS_TITLE, 2503}, {IDC_CALLS_TITLE, 2505}, {IDC_STATUS_TITLE, 2506}, {IDC_UPDATE_TITLE, 2513}};
    for (const auto& heading : headings) {
        SCOPED_TRACE(testing::Message() << heading.nId);
        const HWND hLabel = GetDlgItem(Dlg(), heading.nId);
        const LOGFONTW font = FontOf(hLabel);
        EXPECT_EQ(font.lfWeight, 600);
        EXPECT_STREQ(font.lfFaceName, dialogFont.lfFaceName);
        EXPECT_EQ(font.lfHeight, dialogFont.lfHeight);
        EXPECT_EQ(font.lfItalic, dialogFont.lfItalic);
        EXPECT_EQ(font.lfCharSet, dialogFont.lfCharSet);
        if (heading.nId == IDC_STATUS_TITLE) {
            const SIZE size = ClientSize(hLabel);
            EXPECT_EQ(size.cx, sizeStatusTitle.cx);
            EXPECT_EQ(size.cy, sizeStatusTitle.cy);
            const SIZE extent = OneLineExtent(hLabel, AppString(2506));
            EXPECT_EQ(size.cx, extent.cx);
            EXPECT_EQ(size.cy, extent.cy);
            continue;
        }
        const std::wstring strText = AppString(heading.nString);
        EXPECT_EQ(ItemText(Dlg(), heading.nId), strText);
        const SIZE size = ClientSize(hLabel);
        const SIZE extent = OneLineExtent(hLabel, strText);
        EXPECT_EQ(size.cx, extent.cx);
        EXPECT_EQ(size.cy, extent.cy);
    }
    EXPECT_STREQ(dialogFont.lfFaceName, FontOf(GetDlgItem(Dlg(), IDC_USERS)).lfFaceName);
    EXPECT_EQ(FontOf(GetDlgItem(Dlg(), IDC_USERS)).lfWeight, dialogFont.lfWeight);
    SetDlgItemTextW(Dlg(), IDC_STATUS_TITLE, AppString(2506).c_str());
    EXPECT_THAT(g_log, IsEmpty());
}

// ---------------------------------------------------------------------------------------
// Keys, requests from another start, deactivation

TEST_F(MainWindow, EnterAndEscapeNeitherCloseNorHide)
{
    const struct {
        const char* pszName;
        UINT nMsg;
        WPARAM wParam;
        bool bOk;
    } inputs[] = {
        {"IDOK", WM_COMMAND, IDOK, true},
        {"IDCANCEL", WM_COMMAND, IDCANCEL, false},
        {"Enter", WM_KEYDOWN, VK_RETURN, true},
        {"Escape", WM_KEYDOWN, VK_ESCAPE, false},
    };
    for (bool bShown : {false, true}) {
        s_pDlg->ShowWindow(bShown ? SW_SHOWNA : SW_HIDE);
        for (const auto& input : inputs) {
            SCOPED_TRACE(testing::Message() << input.pszName << (bShown ? " shown" : " hidden"));
            const int nOk = s_pDlg->m_nOk, nCancel = s_pDlg->m_nCancel;
            ASSERT_TRUE(PostMessageW(Dlg(), input.nMsg, input.wParam, 0));
            PumpPending();
            ASSERT_TRUE(IsWindow(Dlg()));
            // The key did arrive as the dialog's command.
            EXPECT_EQ(s_pDlg->m_nOk - nOk, input.bOk ? 1 : 0);
            EXPECT_EQ(s_pDlg->m_nCancel - nCancel, input.bOk ? 0 : 1);
            EXPECT_EQ(IsWindowVisible(Dlg()) != FALSE, bShown);
        }
    }
}

TEST_F(MainWindow, ShowRequestShowsAndActivatesTheWindow)
{
    ASSERT_FALSE(IsWindowVisible(Dlg()));
    ASSERT_TRUE(PostMessageW(Dlg(), WM_APP + 2, 0, 0));
    EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(Dlg()) != FALSE; }));
    EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == Dlg(); }));
    // The layout of a window with nothing to show: the device status alone.
    const RECT rcWindow = WindowRect(Dlg());
    EXPECT_EQ(rcWindow.bottom - rcWindow.top, PlanLayout(4, s_record.groups.aGroups).nWindowHeight);
}

// A click on another window of the desktop. Under Xvfb there is no window manager: Wine
// activates a popup that is shown itself, as Windows does, so the new window takes the
// activation at once (and the hide waits about two seconds for a window manager that
// never answers).
TEST_F(MainWindow, DeactivationHidesTheShownWindow)
{
    s_pDlg->ShowStatusWindow();
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == Dlg(); }));
    ASSERT_TRUE(IsWindowVisible(Dlg()));

    HWND hOther = CreateWindowExW(0, L"Static", L"elsewhere", WS_POPUP | WS_VISIBLE | WS_BORDER, 40, 40, 200, 80,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(hOther, nullptr);
    SetForegroundWindow(hOther);
    EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(Dlg()) == FALSE; }));
    EXPECT_TRUE(IsWindow(Dlg()));
    DestroyWindow(hOther);
}

// ---------------------------------------------------------------------------------------
// The end: WM_APP+3 from a "/STOP" start. A window of its own, which is never shown.

TEST(MainWindowEnd, StopRequestDestroysWindowRemovesIconAndDeletesObject)
{
    ASSERT_TRUE(PrepareProcess());
    // Shutdown also copes with a timer that has already gone: it logs and goes on.
    for (bool bTimerGone : {false, true}) {
        SCOPED_TRACE(bTimerGone ? "timer already gone" : "timer running");
        const int nDeleted = CProbedDlgMain::s_nDeleted;
        CProbedDlgMain* pDlg = MakeMainWindow(bTimerGone);
        ASSERT_NE(pDlg, nullptr);
        const HWND hDlg = pDlg->m_hWnd;
        if (!bTimerGone) {
            // Running again, so that Shutdown has a timer to kill, but with no tick to come.
            pDlg->m_nTimerId = SetTimer(hDlg, IDT_CONNECT, USER_TIMER_MAXIMUM, nullptr);
            ASSERT_NE(pDlg->m_nTimerId, 0u);
        }
        ASSERT_TRUE(pDlg->m_notifyIcon.IsAdded()) << TrayRefused();
        NOTIFYICONDATAW probe = {};
        probe.cbSize = sizeof(probe);
        probe.hWnd = hDlg;
        probe.uID = 1;
        ASSERT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &probe));  // the shell has the icon
        g_log.clear();

        ASSERT_TRUE(PostMessageW(hDlg, WM_APP + 3, 0, 0));
        EXPECT_TRUE(PumpUntil([&] { return !IsWindow(hDlg); }));
        EXPECT_EQ(CProbedDlgMain::s_nDeleted, nDeleted + 1);
        // Removed by the window, not only swept up by the shell after the window went.
        EXPECT_FALSE(CProbedDlgMain::s_bIconAddedAtDeletion);
        EXPECT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &probe));
        if (bTimerGone) {
            EXPECT_THAT(g_log, ElementsAre(testing::StartsWith(L"CDlgMain::Shutdown: NOK, ")));
        } else {
            EXPECT_THAT(g_log, IsEmpty());
        }
    }
}

// ---------------------------------------------------------------------------------------
// For screenshots: the window with all four groups, then with the device status alone. Each
// is shown until DONE appears beside this binary, after READY has been made there
// (shot-all.ready / shot-all.done, then shot-device.*); at most two minutes each.

TN_CHILD_SCENARIO(StatusScreenshots)
{
    if (!PrepareProcess())
        return 2;
    CProbedDlgMain* pDlg = MakeMainWindow();
    if (pDlg == nullptr)
        return 3;
    CDlgMain& dlg = *pDlg;

    AddSms(dlg, 41, "Hi! The router is in the hall now; the signal is much better there. See you at eight.");
    AddMissedCall(dlg, 7, "07/03/2009 13:52", "+4917712345");
    AddMissedCall(dlg, 8, "07/03/2009 14:10", "+4930998877");
    const struct {
        const wchar_t* pszCaller;
        const wchar_t* pszTime;
    } rows[] = {{L"+4930998877", L"07/03/2009 14:10"}, {L"+4917712345", L"07/03/2009 13:52"}};
    for (const auto& row : rows) {
        const int nItem = dlg.m_lstMissedCalls.InsertItem(dlg.m_lstMissedCalls.GetItemCount(), row.pszCaller);
        dlg.m_lstMissedCalls.SetItemText(nItem, 1, row.pszTime);
    }
    CSettings::GetInstance().m_nLiveUpdateStatus = 2;
    dlg.SetDlgItemText(IDC_UPDATE_LINK, AppString(111).c_str());
    dlg.m_bUnseenEvents = 1;
    dlg.SetRouterConnected(true);
    dlg.SetRegistrationState(1, 3, 5, L"Provider");
    dlg.SetSignalStrength(3);
    dlg.SetConnectedUsersCount(1, 2);
    dlg.SetConnectedUsersCount(2, 1);
    dlg.ShowStatusWindow();
    if (!HoldForScreenshot(L"all"))
        return 4;

    Renew(dlg.m_smsList);
    Renew(dlg.m_missedCallList);
    ListView_DeleteAllItems(dlg.m_lstMissedCalls.m_hWnd);
    CSettings::GetInstance().m_nLiveUpdateStatus = 1;
    dlg.ShowStatusWindow();
    if (!HoldForScreenshot(L"device"))
        return 5;
    dlg.DestroyWindow();
    return 0;
}

}  // namespace

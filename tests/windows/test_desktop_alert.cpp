// The desktop alerts on real windows: the manager's popups with their settings, icons, texts
// and links; closing by themselves and by the close button, each close reported to the main
// window before the next popup opens where the last one was; dragging; link clicks as
// commands of the main window; no activation taken; shutdown; the image strip; and the
// process's USER and GDI objects over many popups.
//
// A stand-in main window owns the popups and routes the close message to the manager as the
// program's main window does. The manager is one per process, so the shutdown cases run in
// child processes of this binary.
//
// For a look at the popups: tools/screenshot.sh runs this binary's "AlertScreenshots" child
// in the sandbox and photographs the display.
#include <windows.h>

#include <winternl.h>

#include <gmock/gmock.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "alerts/DesktopAlert.h"
#include "alerts/MFCDesktopAlertWndEx.h"
#include "framework/MFCDesktopAlertWnd.h"
#include "framework/MFCToolBarImages.h"
#include "framework/WinApp.h"
#include "resources/resource.h"
#include "tests/windows/support/ChildScenario.h"
#include "tests/windows/support/DebugCapture.h"
#include "tests/windows/support/IconPixels.h"
#include "tests/windows/support/MessagePump.h"
#include "tests/windows/support/ScreenshotHold.h"
#include "tests/windows/support/WindowRects.h"

namespace {

CWinApp s_app(L"Tessaro Notifier");

const wchar_t kPopupClass[] = L"TnDesktopAlertWnd";
const wchar_t kOwnerClass[] = L"TnDesktopAlertTestOwner";

DWORD CountWindows(const wchar_t* pszClass);

// ---------------------------------------------------------------------------------------
// The stand-in main window.

struct CloseRecord {
    CMFCDesktopAlertWnd* pPopup = nullptr;
    HWND hWnd = nullptr;
    POINT ptLastPos = {};
    bool bWindowAlive = false;  // the popup's window still existed
    bool bWasOpen = false;      // it was still the open popup: nothing had opened yet
    bool bOpenedNext = false;   // the manager opened another one in the handler
    ULONGLONG nTick = 0;
};

class COwnerWnd : public CWnd {
public:
    bool Make()
    {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kOwnerClass;
        RegisterClassW(&wc);
        HWND hWnd = CreateWindowExW(WS_EX_TOOLWINDOW, kOwnerClass, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                    GetModuleHandleW(nullptr), nullptr);
        return hWnd != nullptr && SubclassWindow(hWnd);
    }

    LRESULT WindowProc(UINT nMsg, WPARAM wParam, LPARAM lParam) override
    {
        if (nMsg == AFX_WM_ON_CLOSEPOPUPWINDOW) {
            CloseRecord record;
            record.pPopup = reinterpret_cast<CMFCDesktopAlertWnd*>(lParam);
            record.hWnd = record.pPopup->m_hWnd;
            record.ptLastPos = record.pPopup->GetLastPos();
            record.bWindowAlive = IsWindow(record.hWnd) != FALSE;
            record.bWasOpen = OpenWnd() == record.pPopup;
            record.nTick = GetTickCount64();
            if (m_beforeClose)
                m_beforeClose();
            const LRESULT nResult = CDesktopAlert::OnClosePopupWindow(wParam, lParam);
            record.bOpenedNext = OpenWnd() != nullptr && OpenWnd() != record.pPopup;
            m_closes.push_back(record);
            if (m_afterClose)
                m_afterClose();
            return nResult;
        }
        switch (nMsg) {
        case WM_COMMAND:
            m_commands.push_back({wParam, lParam});
            return 0;
        case WM_DESTROY:
            // The popups it owns are gone by now: the manager must not hold on to one.
            m_bHeldAGonePopup = CDesktopAlert::s_pPopup != nullptr && CountWindows(kPopupClass) == 0;
            // As the program's main window does in its shutdown.
            CDesktopAlert::Shutdown();
            return 0;
        default:
            return CWnd::WindowProc(nMsg, wParam, lParam);
        }
    }

    static CMFCDesktopAlertWnd* OpenWnd() { return static_cast<CMFCDesktopAlertWndEx*>(CDesktopAlert::s_pPopup); }

    std::vector<CloseRecord> m_closes;
    std::vector<std::pair<WPARAM, LPARAM>> m_commands;
    std::function<void()> m_beforeClose;
    std::function<void()> m_afterClose;
    bool m_bHeldAGonePopup = false;
};

// Made once per process, as the program's main window is.
COwnerWnd& Owner()
{
    static COwnerWnd* s_pOwner = [] {
        auto* pOwner = new COwnerWnd();
        if (!pOwner->Make())
            return static_cast<COwnerWnd*>(nullptr);
        s_app.m_pMainWnd = pOwner;
        return pOwner;
    }();
    return *s_pOwner;
}

CMFCDesktopAlertWndEx* OpenPopup()
{
    return static_cast<CMFCDesktopAlertWndEx*>(CDesktopAlert::s_pPopup);
}

// ---------------------------------------------------------------------------------------
// Windows, points and objects.

POINT Centre(const RECT& rc)
{
    return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

LPARAM Lp(POINT pt)
{
    return MAKELPARAM(pt.x, pt.y);
}

// Press and release of the left button at client points, as the system sends them.
void Click(HWND hWnd, POINT ptDown, POINT ptUp)
{
    SendMessageW(hWnd, WM_LBUTTONDOWN, MK_LBUTTON, Lp(ptDown));
    SendMessageW(hWnd, WM_LBUTTONUP, 0, Lp(ptUp));
}

BOOL CALLBACK CountWindow(HWND hWnd, LPARAM lParam)
{
    auto& counts = *reinterpret_cast<std::pair<DWORD, const wchar_t*>*>(lParam);
    DWORD nProcessId = 0;
    GetWindowThreadProcessId(hWnd, &nProcessId);
    if (nProcessId != GetCurrentProcessId())
        return TRUE;
    wchar_t szClass[64] = {};
    GetClassNameW(hWnd, szClass, 64);
    if (counts.second == nullptr || lstrcmpW(szClass, counts.second) == 0)
        ++counts.first;
    EnumChildWindows(hWnd, CountWindow, lParam);
    return TRUE;
}

// Windows of this process, of one class or (null) of any.
DWORD CountWindows(const wchar_t* pszClass)
{
    std::pair<DWORD, const wchar_t*> counts{0, pszClass};
    EnumWindows(CountWindow, reinterpret_cast<LPARAM>(&counts));
    return counts.first;
}

// Wine 8 keeps the process's GDI objects in a table that the process environment block
// points to (as older Windows did): 65536 entries of 24 bytes, the object's type at byte 14,
// 0 for a free entry.
DWORD CountGdiHandleTable()
{
    constexpr size_t kTableOffset = 0xF8;  // GdiSharedHandleTable of the 64-bit block
    using QueryFn = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, void*, ULONG, ULONG*);
    const auto pfnQuery = reinterpret_cast<QueryFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic = {};
    if (pfnQuery == nullptr ||
        pfnQuery(GetCurrentProcess(), ProcessBasicInformation, &basic, sizeof(basic), nullptr) != 0)
        return 0;
    const auto* pPeb = reinterpret_cast<const BYTE*>(basic.PebBaseAddress);
    const BYTE* pTable = *reinterpret_cast<const BYTE* const*>(pPeb + kTableOffset);
    if (pTable == nullptr)
        return 0;
    DWORD nCount = 0;
    for (size_t i = 0; i < 0x10000; ++i)
        nCount += pTable[i * 24 + 14] != 0 ? 1 : 0;
    return nCount;
}

struct GuiObjects {
    DWORD nUser = 0;
    DWORD nGdi = 0;
};

// The process's USER and GDI objects. Windows counts them (GetGuiResources); Wine 8 answers
// 0 there, so under Wine the GDI objects are counted in its handle table and the USER
// objects by the one kind a popup makes per showing, its windows.
GuiObjects CountGuiObjects(bool* pbBySystem = nullptr)
{
    GuiObjects objects{GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS),
                       GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)};
    const bool bBySystem = objects.nUser != 0 || objects.nGdi != 0;
    if (!bBySystem)
        objects = GuiObjects{CountWindows(nullptr), CountGdiHandleTable()};
    if (pbBySystem != nullptr)
        *pbBySystem = bBySystem;
    return objects;
}

// The pointer goes back where it was, for the tests that run after this binary.
class PointerKept : public testing::Environment {
public:
    void SetUp() override { GetCursorPos(&m_pt); }
    void TearDown() override { SetCursorPos(m_pt.x, m_pt.y); }

private:
    POINT m_pt = {};
};
testing::Environment* const s_pPointerKept = testing::AddGlobalTestEnvironment(new PointerKept);

// ---------------------------------------------------------------------------------------
// The fixture: the product's settings, no popup open, nothing waiting, the default place.

class DesktopAlertTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(&Owner(), nullptr);
        ASSERT_NE(Owner().m_hWnd, nullptr);
        CDesktopAlert& alerts = CDesktopAlert::GetInstance();
        ASSERT_FALSE(alerts.GetWaitingCount() != 0 || OpenPopup() != nullptr) << "left over from the test before";
        m_saved = {alerts.m_nAnimationType, alerts.m_nAnimationSpeed, alerts.m_nAutoCloseTime};
        CDesktopAlert::s_ptLastPos = AlertPoint{};
        Owner().m_closes.clear();
        Owner().m_commands.clear();
        Owner().m_afterClose = nullptr;
        // The real pointer away from where the popups show.
        const RECT rcWork = WorkArea();
        SetCursorPos(rcWork.left + 2, (rcWork.top + rcWork.bottom) / 2);
    }

    void TearDown() override
    {
        Owner().m_afterClose = nullptr;
        // Whatever is open or waiting goes the ordinary way, one close after the other.
        while (CMFCDesktopAlertWndEx* pPopup = OpenPopup()) {
            pPopup->ClosePopup();
            PumpFor(0);
        }
        EXPECT_TRUE(PumpUntil([] { return CountWindows(kPopupClass) == 0; }));
        CDesktopAlert& alerts = CDesktopAlert::GetInstance();
        alerts.m_nAnimationType = m_saved.nAnimationType;
        alerts.m_nAnimationSpeed = m_saved.nAnimationSpeed;
        alerts.m_nAutoCloseTime = m_saved.nAutoCloseTime;
    }

    static CMFCDesktopAlertWndEx* WaitFullyShown()
    {
        CMFCDesktopAlertWndEx* pPopup = OpenPopup();
        if (pPopup == nullptr || !PumpUntil([pPopup] { return pPopup->IsFullyShown(); }))
            return nullptr;
        return pPopup;
    }

    static bool WaitClosed(size_t nCloses, DWORD nTimeoutMs = 5000)
    {
        return PumpUntil([nCloses] { return Owner().m_closes.size() >= nCloses; }, nTimeoutMs);
    }

    struct {
        int nAnimationType;
        UINT nAnimationSpeed;
        UINT nAutoCloseTime;
    } m_saved = {};
};

// ---------------------------------------------------------------------------------------

struct KindCase {
    const char* pszName;
    AlertKind nKind;
    const wchar_t* pszPlainText;
    const wchar_t* pszLinkText;
    UINT nCommand;
};

const KindCase kKindCases[] = {
    {"IncomingCall", AlertIncomingCall, L"", L"Incoming call:\n+4917712345", IDC_CALLS_TITLE},
    {"Sms", AlertSms, L"", L"From: +4917712345\nReceived 07/03/2009 14:05\nSee you at eight.", IDC_SMS_TITLE},
    {"Error", AlertError, L"Error occured:\nSIM card missing", L"", 0},
    {"Update", AlertUpdate, L"Upgrading firmware...", L"New Notifier is available.", IDC_UPDATE_TITLE},
};

class DesktopAlertKindTest : public DesktopAlertTest, public testing::WithParamInterface<KindCase> {};

TEST_P(DesktopAlertKindTest, OpensWithTheSettingsItsIconTextAndLink)
{
    const KindCase& c = GetParam();
    CDesktopAlert::GetInstance().AddAlert(c.nKind, c.pszPlainText, c.pszLinkText);
    CMFCDesktopAlertWndEx* pPopup = OpenPopup();
    ASSERT_NE(pPopup, nullptr);
    HWND hWnd = pPopup->m_hWnd;
    EXPECT_TRUE(IsWindowVisible(hWnd)) << "visible from the first slide step";

    EXPECT_EQ(pPopup->GetAnimationType(), CMFCDesktopAlertWnd::SLIDE);
    EXPECT_EQ(pPopup->GetAnimationSpeed(), 45u);
    EXPECT_EQ(pPopup->GetTransparency(), 200);
    EXPECT_TRUE(pPopup->HasSmallCaption());
    EXPECT_EQ(pPopup->GetAutoCloseTime(), 6000u);
    BYTE nAlpha = 0;
    DWORD nFlags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(hWnd, nullptr, &nAlpha, &nFlags));
    EXPECT_EQ(nAlpha, 200);
    EXPECT_EQ(nFlags & LWA_ALPHA, static_cast<DWORD>(LWA_ALPHA));
    const LONG_PTR nExStyle = GetWindowLongPtrW(hWnd, GWL_EXSTYLE);
    for (LONG_PTR nBit :
         {LONG_PTR{WS_EX_TOPMOST}, LONG_PTR{WS_EX_NOACTIVATE}, LONG_PTR{WS_EX_TOOLWINDOW}, LONG_PTR{WS_EX_LAYERED}})
        EXPECT_EQ(nExStyle & nBit, nBit);
    EXPECT_EQ(GetWindow(hWnd, GW_OWNER), Owner().m_hWnd);

    // Texts, link and command.
    const CMFCDesktopAlertWndInfo& info = pPopup->GetInfo();
    EXPECT_EQ(info.m_strText, c.pszPlainText);
    EXPECT_EQ(info.m_strURL, c.pszLinkText);
    EXPECT_EQ(info.m_nURLCmdID, c.nCommand);
    const RECT rcLink = pPopup->GetPartRect(CMFCDesktopAlertWnd::PartLink);
    EXPECT_EQ(IsRectEmpty(&rcLink) == FALSE, c.pszLinkText[0] != L'\0');
    const RECT rcText = pPopup->GetPartRect(CMFCDesktopAlertWnd::PartText);
    EXPECT_EQ(IsRectEmpty(&rcText) == FALSE, c.pszPlainText[0] != L'\0');

    // The kind's image of the strip, the application's small icon and name in the caption.
    CMFCToolBarImages strip;
    strip.SetImageSize(SIZE{32, 32});
    ASSERT_TRUE(strip.Load(IDB_ALERT_IMAGES));
    XIcon expected(strip.ExtractIcon(c.nKind));
    ASSERT_NE(info.m_hIcon, nullptr);
    EXPECT_EQ(IconPixels(info.m_hIcon), IconPixels(expected.Get()));
    const int nSmall = GetSystemMetricsForDpi(SM_CXSMICON, GetDpiForWindow(hWnd));
    XIcon appIcon(static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, nSmall, nSmall, 0)));
    const HICON hSmall = reinterpret_cast<HICON>(SendMessageW(hWnd, WM_GETICON, ICON_SMALL, 0));
    ASSERT_NE(hSmall, nullptr);
    EXPECT_EQ(IconPixels(hSmall), IconPixels(appIcon.Get()));
    EXPECT_EQ(pPopup->GetWindowText(), L"Tessaro Notifier");

    // Whole, in the lower-right corner of the work area, where its last position says.
    ASSERT_EQ(WaitFullyShown(), pPopup);
    const RECT rc = WindowRect(hWnd);
    const RECT rcWork = WorkArea();
    EXPECT_EQ(rc.right, rcWork.right);
    EXPECT_EQ(rc.bottom, rcWork.bottom);
    EXPECT_GE(rc.left, rcWork.left);
    EXPECT_GE(rc.top, rcWork.top);
    EXPECT_EQ(pPopup->GetLastPos().x, rc.left);
    EXPECT_EQ(pPopup->GetLastPos().y, rc.top);
    EXPECT_EQ(CountWindows(kPopupClass), 1u);
}

INSTANTIATE_TEST_SUITE_P(Kinds, DesktopAlertKindTest, testing::ValuesIn(kKindCases),
                         [](const testing::TestParamInfo<KindCase>& info) { return info.param.pszName; });

TEST_F(DesktopAlertTest, ClosesByItselfAfterSixSecondsAndTheNextOpensWhereItWas)
{
    CDesktopAlert& alerts = CDesktopAlert::GetInstance();
    alerts.AddAlert(AlertSms, L"", L"From: +4917712345\nReceived 07/03/2009 14:05\nSee you at eight.");
    alerts.AddAlert(AlertIncomingCall, L"", L"Incoming call:\n+4930998877");
    CMFCDesktopAlertWndEx* pSms = WaitFullyShown();
    ASSERT_NE(pSms, nullptr);
    const ULONGLONG nShown = GetTickCount64();
    EXPECT_EQ(CountWindows(kPopupClass), 1u) << "the call waits";
    EXPECT_EQ(alerts.GetWaitingCount(), 1u);

    ASSERT_TRUE(WaitClosed(1, 9000));
    const CloseRecord& record = Owner().m_closes[0];
    const ULONGLONG nElapsed = record.nTick - nShown;
    EXPECT_GE(nElapsed, 5900u);
    EXPECT_LE(nElapsed, 8000u);
    EXPECT_EQ(record.pPopup, pSms);
    EXPECT_TRUE(record.bWindowAlive) << "reported before its window went";
    EXPECT_TRUE(record.bWasOpen) << "reported before the next one opened";
    EXPECT_TRUE(record.bOpenedNext);

    CMFCDesktopAlertWndEx* pCall = OpenPopup();
    ASSERT_NE(pCall, nullptr);
    EXPECT_EQ(pCall->GetInfo().m_nURLCmdID, static_cast<UINT>(IDC_CALLS_TITLE));
    EXPECT_EQ(pCall->GetLastPos().x, record.ptLastPos.x);
    EXPECT_EQ(pCall->GetLastPos().y, record.ptLastPos.y);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(record.hWnd); }));
    EXPECT_EQ(CountWindows(kPopupClass), 1u);
}

// A press on the caption starts a drag, which holds the close back while the button is
// down; a drag whose release never comes (the button is up, as no hand holds it here) does
// not keep the popup and the alerts behind it for good.
TEST_F(DesktopAlertTest, DragWhoseReleaseNeverComesClosesAtItsTime)
{
    CDesktopAlert& alerts = CDesktopAlert::GetInstance();
    alerts.m_nAutoCloseTime = 1;
    alerts.AddAlert(AlertSms, L"", L"From: +4917712345\nReceived 07/03/2009 14:05\nSee you at eight.");
    alerts.AddAlert(AlertError, L"Error occured:\nSIM card missing", L"");
    CMFCDesktopAlertWndEx* pSms = WaitFullyShown();
    ASSERT_NE(pSms, nullptr);
    ASSERT_EQ(GetAsyncKeyState(GetSystemMetrics(SM_SWAPBUTTON) ? VK_RBUTTON : VK_LBUTTON) & 0x8000, 0);
    const POINT ptGrip = Centre(pSms->GetPartRect(CMFCDesktopAlertWnd::PartCaption));
    SendMessageW(pSms->m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, Lp(ptGrip));
    EXPECT_TRUE(WaitClosed(1, 5000));
    EXPECT_NE(WaitFullyShown(), nullptr) << "the next alert did not open";
}

TEST_F(DesktopAlertTest, DraggedPopupHandsItsPlaceToTheNextAndTheCloseButtonClosesIt)
{
    CDesktopAlert& alerts = CDesktopAlert::GetInstance();
    alerts.AddAlert(AlertSms, L"", L"From: +4917712345\nReceived 07/03/2009 14:05\nSee you at eight.");
    alerts.AddAlert(AlertError, L"Error occured:\nSIM card missing", L"");
    CMFCDesktopAlertWndEx* pSms = WaitFullyShown();
    ASSERT_NE(pSms, nullptr);
    HWND hWnd = pSms->m_hWnd;
    const RECT rcBefore = WindowRect(hWnd);

    // Dragged by its caption to the upper left of the work area.
    const RECT rcWork = WorkArea();
    const POINT ptTarget = {rcWork.left + 40, rcWork.top + 50};
    const POINT ptGrip = Centre(pSms->GetPartRect(CMFCDesktopAlertWnd::PartCaption));
    const POINT ptMoved = {ptGrip.x + ptTarget.x - rcBefore.left, ptGrip.y + ptTarget.y - rcBefore.top};
    SendMessageW(hWnd, WM_LBUTTONDOWN, MK_LBUTTON, Lp(ptGrip));
    SendMessageW(hWnd, WM_MOUSEMOVE, MK_LBUTTON, Lp(ptMoved));
    SendMessageW(hWnd, WM_LBUTTONUP, 0, Lp(ptGrip));  // the window has moved under the pointer
    const RECT rcAfter = WindowRect(hWnd);
    EXPECT_EQ(rcAfter.left, ptTarget.x);
    EXPECT_EQ(rcAfter.top, ptTarget.y);
    EXPECT_EQ(pSms->GetLastPos().x, ptTarget.x);
    EXPECT_EQ(pSms->GetLastPos().y, ptTarget.y);
    ASSERT_EQ(OpenPopup(), pSms) << "a drag does not close";

    // A press on the close button released elsewhere does nothing; a click closes.
    const POINT ptClose = Centre(pSms->GetPartRect(CMFCDesktopAlertWnd::PartClose));
    Click(hWnd, ptClose, ptGrip);
    ASSERT_EQ(OpenPopup(), pSms);
    Click(hWnd, ptClose, ptClose);
    ASSERT_EQ(Owner().m_closes.size(), 1u);
    EXPECT_EQ(Owner().m_closes[0].ptLastPos.x, ptTarget.x);
    EXPECT_EQ(Owner().m_closes[0].ptLastPos.y, ptTarget.y);

    CMFCDesktopAlertWndEx* pError = WaitFullyShown();
    ASSERT_NE(pError, nullptr);
    ASSERT_NE(pError, pSms);
    const RECT rcError = WindowRect(pError->m_hWnd);
    EXPECT_EQ(rcError.left, ptTarget.x);
    EXPECT_EQ(rcError.top, ptTarget.y);
}

// nCommand 0: no command may reach the main window.
const KindCase kLinkCases[] = {
    {"SmsOpensTheInbox", AlertSms, L"", L"From: +4917712345\nReceived 07/03/2009 14:05\nSee you at eight.",
     IDC_SMS_TITLE},
    {"CallOpensTheMissedCalls", AlertIncomingCall, L"", L"Incoming call:\n+4917712345", IDC_CALLS_TITLE},
    {"UpdateStartsTheUpdate", AlertUpdate, L"", L"New Notifier is available.", IDC_UPDATE_TITLE},
    {"UpdateWithoutLinkText", AlertUpdate, L"Upgrading firmware...", L"", IDC_UPDATE_TITLE},
    {"ErrorHasNoLink", AlertError, L"Error occured:\nSIM card missing", L"", 0},
};

class DesktopAlertLinkTest : public DesktopAlertTest, public testing::WithParamInterface<KindCase> {};

TEST_P(DesktopAlertLinkTest, ClickPostsTheKindsCommandToTheMainWindow)
{
    const KindCase& c = GetParam();
    CDesktopAlert::GetInstance().AddAlert(c.nKind, c.pszPlainText, c.pszLinkText);
    CMFCDesktopAlertWndEx* pPopup = WaitFullyShown();
    ASSERT_NE(pPopup, nullptr);
    HWND hWnd = pPopup->m_hWnd;
    EXPECT_EQ(pPopup->GetInfo().m_nURLCmdID, c.nCommand);
    const RECT rcLink = pPopup->GetPartRect(CMFCDesktopAlertWnd::PartLink);
    const auto posted = [] {
        PumpFor(0);
        return Owner().m_commands;
    };

    if (c.pszLinkText[0] != L'\0') {
        // The hand over the link.
        POINT ptScreen = Centre(rcLink);
        ClientToScreen(hWnd, &ptScreen);
        SetCursorPos(ptScreen.x, ptScreen.y);
        SendMessageW(hWnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(hWnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND));
        // Pressed on the link and released beside it: nothing.
        Click(hWnd, Centre(rcLink), POINT{rcLink.right + 2, rcLink.bottom + 2});
        EXPECT_THAT(posted(), testing::IsEmpty());
        Click(hWnd, Centre(rcLink), Centre(rcLink));
        ASSERT_TRUE(PumpUntil([] { return !Owner().m_commands.empty(); }));
        EXPECT_THAT(posted(), testing::ElementsAre(std::pair<WPARAM, LPARAM>(MAKEWPARAM(c.nCommand, 0), 0)));
        EXPECT_EQ(OpenPopup(), pPopup) << "the popup stays after a click on its link";
    } else {
        EXPECT_TRUE(IsRectEmpty(&rcLink));
        // Nothing to click: a click in the text is no link click.
        const POINT ptText = Centre(pPopup->GetPartRect(CMFCDesktopAlertWnd::PartText));
        Click(hWnd, ptText, ptText);
        EXPECT_THAT(posted(), testing::IsEmpty());
        // The command is there all the same for an update; an error has none.
        EXPECT_EQ(pPopup->OnClickLinkButton(pPopup->GetInfo().m_nURLCmdID), c.nCommand != 0);
        if (c.nCommand != 0)
            EXPECT_THAT(posted(), testing::ElementsAre(std::pair<WPARAM, LPARAM>(MAKEWPARAM(c.nCommand, 0), 0)));
        else
            EXPECT_THAT(posted(), testing::IsEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, DesktopAlertLinkTest, testing::ValuesIn(kLinkCases),
                         [](const testing::TestParamInfo<KindCase>& info) { return info.param.pszName; });

// A window the user works in, which keeps the activation while popups come and are clicked.
TEST_F(DesktopAlertTest, TakesNeitherActivationNorFocus)
{
    HWND hWork = CreateWindowExW(0, L"EDIT", L"working", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300, 200, nullptr,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(hWork, nullptr);
    const std::unique_ptr<HWND__, BOOL(WINAPI*)(HWND)> destroyWork(hWork, DestroyWindow);
    SetForegroundWindow(hWork);
    SetFocus(hWork);
    ASSERT_TRUE(PumpUntil([hWork] { return GetForegroundWindow() == hWork && GetFocus() == hWork; }));

    CDesktopAlert::GetInstance().AddAlert(AlertIncomingCall, L"", L"Incoming call:\n+4917712345");
    CMFCDesktopAlertWndEx* pPopup = WaitFullyShown();
    ASSERT_NE(pPopup, nullptr);
    EXPECT_EQ(GetForegroundWindow(), hWork);
    EXPECT_EQ(GetActiveWindow(), hWork);
    EXPECT_EQ(GetFocus(), hWork);

    // A real click on its close button, through the input system.
    POINT pt = Centre(pPopup->GetPartRect(CMFCDesktopAlertWnd::PartClose));
    ClientToScreen(pPopup->m_hWnd, &pt);
    SetCursorPos(pt.x, pt.y);
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ASSERT_EQ(SendInput(2, inputs, sizeof(INPUT)), 2u);
    ASSERT_TRUE(WaitClosed(1));
    EXPECT_EQ(GetForegroundWindow(), hWork);
    EXPECT_EQ(GetActiveWindow(), hWork);
    EXPECT_EQ(GetFocus(), hWork);
}

TEST_F(DesktopAlertTest, UserAndGdiObjectsStayAsTheyWereAfterTheFirstPopup)
{
    CDesktopAlert& alerts = CDesktopAlert::GetInstance();
    // Quick popups: no slide, a short auto-close time given to each as it opens.
    alerts.m_nAnimationType = CMFCDesktopAlertWnd::NO_ANIMATION;
    Owner().m_afterClose = [] {
        if (CMFCDesktopAlertWndEx* pNext = OpenPopup())
            pNext->SetAutoCloseTime(1);
    };
    const auto showAll = [&](int nCount) {
        const size_t nBefore = Owner().m_closes.size();
        for (int i = 0; i < nCount; ++i) {
            const KindCase& c = kKindCases[i % 4];
            alerts.AddAlert(c.nKind, c.pszPlainText, c.pszLinkText);
        }
        OpenPopup()->SetAutoCloseTime(1);
        return PumpUntil([&] { return Owner().m_closes.size() == nBefore + nCount; }, 60000) &&
               PumpUntil([] { return CountWindows(kPopupClass) == 0; });
    };
    ASSERT_TRUE(showAll(1));
    bool bBySystem = false;
    const GuiObjects first = CountGuiObjects(&bBySystem);
    ASSERT_TRUE(showAll(200));
    const GuiObjects after = CountGuiObjects();
    std::printf("[ objects  ] %s: USER %lu, GDI %lu after the first popup; USER %lu, GDI %lu after 200 more\n",
                bBySystem ? "GetGuiResources" : "windows and Wine's GDI table", first.nUser, first.nGdi, after.nUser,
                after.nGdi);
    EXPECT_GT(first.nGdi, 0u);
    EXPECT_EQ(after.nUser, first.nUser);
    EXPECT_EQ(after.nGdi, first.nGdi);
}

// The object count itself: one more font is one more GDI object.
TEST(DesktopAlertObjectCount, SeesOneMoreFont)
{
    const DWORD nBefore = CountGuiObjects().nGdi;
    XFont font(CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, L"Tahoma"));
    ASSERT_TRUE(font);
    EXPECT_EQ(CountGuiObjects().nGdi, nBefore + 1);
    font.Reset();
    EXPECT_EQ(CountGuiObjects().nGdi, nBefore);
}

TEST_F(DesktopAlertTest, TimeFromAddAlertToVisible)
{
    CDesktopAlert& alerts = CDesktopAlert::GetInstance();
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    const auto msSince = [&](const LARGE_INTEGER& start) {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
    };
    std::vector<double> visible, whole;
    for (int i = 0; i < 20; ++i) {
        LARGE_INTEGER start;
        QueryPerformanceCounter(&start);
        alerts.AddAlert(AlertSms, L"", L"From: +4917712345\nReceived 07/03/2009 14:05\nSee you at eight.");
        CMFCDesktopAlertWndEx* pPopup = OpenPopup();
        ASSERT_NE(pPopup, nullptr);
        ASSERT_TRUE(PumpUntil([pPopup] { return IsWindowVisible(pPopup->m_hWnd) != FALSE; }));
        visible.push_back(msSince(start));
        // The slide is measured on the first five only: it takes its set time.
        if (i < 5) {
            ASSERT_TRUE(PumpUntil([pPopup] { return pPopup->IsFullyShown(); }));
            whole.push_back(msSince(start));
        }
        pPopup->ClosePopup();
    }
    std::sort(visible.begin(), visible.end());
    std::sort(whole.begin(), whole.end());
    const double nVisible = (visible[9] + visible[10]) / 2;
    std::printf("[ timing   ] AddAlert to visible: median %.2f ms of 20 (%.2f .. %.2f); "
                "to fully slid in: median %.2f ms of 5\n",
                nVisible, visible.front(), visible.back(), whole[2]);
    // Visible at the first slide step, long before the last of its eight steps of 45 ms.
    EXPECT_LT(nVisible, 1000.0);
    EXPECT_LT(nVisible, whole[2]);
    EXPECT_GE(whole[2], 6 * 45.0);
}

// ---------------------------------------------------------------------------------------
// The image strip.

TEST(ToolBarImagesTest, CutsTheKindImagesWithATransparentBackground)
{
    CMFCToolBarImages strip;
    strip.SetImageSize(SIZE{32, 32});
    ASSERT_TRUE(strip.Load(IDB_ALERT_IMAGES));
    EXPECT_EQ(strip.GetCount(), 4);
    for (int nIndex = 0; nIndex < 4; ++nIndex) {
        XIcon icon(strip.ExtractIcon(nIndex));
        ASSERT_TRUE(icon);
        const std::vector<uint32_t> pixels = IconPixels(icon.Get());
        ASSERT_GE(pixels.size(), 2u + 32 * 32);
        EXPECT_EQ(pixels[0], 32u);
        EXPECT_EQ(pixels[1], 32u);
        // The grey corner is transparent, the middle of the picture is not.
        EXPECT_EQ(pixels[2] >> 24, 0u) << nIndex;
        EXPECT_EQ(pixels[2 + 16 * 32 + 16] >> 24, 0xFFu) << nIndex;
    }
    for (int nIndex : {-1, 4, 1000}) {
        EXPECT_EQ(strip.ExtractIcon(nIndex), nullptr);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_INDEX));
    }

    CMFCToolBarImages missing;
    missing.SetImageSize(SIZE{32, 32});
    EXPECT_FALSE(missing.Load(IDB_ALERT_IMAGES + 1000));
    EXPECT_EQ(missing.GetCount(), 0);
    EXPECT_EQ(missing.ExtractIcon(0), nullptr);
}

// ---------------------------------------------------------------------------------------
// The end of the program, in child processes: the manager is one per process.

// Opens an SMS popup with an error, a call and an update waiting; 0 when all is as meant.
int OpenWithWaiting()
{
    if (Owner().m_hWnd == nullptr)
        return 10;
    CDesktopAlert& alerts = CDesktopAlert::GetInstance();
    alerts.AddAlert(AlertSms, L"", L"From: +4917712345\nReceived 07/03/2009 14:05\nSee you at eight.");
    alerts.AddAlert(AlertError, L"Error occured:\nSIM card missing", L"");
    alerts.AddAlert(AlertIncomingCall, L"", L"Incoming call:\n+4930998877");
    alerts.AddAlert(AlertUpdate, L"", L"New Notifier is available.");
    if (OpenPopup() == nullptr || alerts.GetWaitingCount() != 3 || CountWindows(kPopupClass) != 1)
        return 11;
    return 0;
}

// After the end: nothing open, nothing waiting, no popup window, nCloses closes reported
// and nothing opened by them, none to come.
int CheckAllGone(size_t nCloses = 0)
{
    CDesktopAlert& alerts = CDesktopAlert::GetInstance();
    if (OpenPopup() != nullptr || alerts.GetWaitingCount() != 0)
        return 20;
    if (CountWindows(kPopupClass) != 0)
        return 21;
    if (Owner().m_closes.size() != nCloses)
        return 22;
    for (const CloseRecord& record : Owner().m_closes) {
        if (record.bOpenedNext)
            return 24;
    }
    alerts.AddAlert(AlertIncomingCall, L"", L"Incoming call:\n+4930998877");
    PumpFor(100);
    if (OpenPopup() != nullptr || CountWindows(kPopupClass) != 0 || alerts.GetWaitingCount() != 0)
        return 23;
    return 0;
}

TN_CHILD_SCENARIO(ShutdownWithPopupOpen)
{
    if (const int nResult = OpenWithWaiting())
        return nResult;
    HWND hPopup = OpenPopup()->m_hWnd;
    CDesktopAlert::Shutdown();
    if (IsWindow(hPopup))
        return 30;
    return CheckAllGone();
}

// The program ends while a popup is closing: the close opens nothing.
TN_CHILD_SCENARIO(ShutdownWhilePopupCloses)
{
    if (const int nResult = OpenWithWaiting())
        return nResult;
    HWND hPopup = OpenPopup()->m_hWnd;
    Owner().m_beforeClose = [] { CDesktopAlert::Shutdown(); };
    OpenPopup()->ClosePopup();
    Owner().m_beforeClose = nullptr;
    if (IsWindow(hPopup))
        return 50;
    return CheckAllGone(1);
}

// The main window goes first: its popup goes with it, and its shutdown finds nothing open.
TN_CHILD_SCENARIO(MainWindowDestroyedWithPopupOpen)
{
    if (const int nResult = OpenWithWaiting())
        return nResult;
    HWND hPopup = OpenPopup()->m_hWnd;
    s_app.m_pMainWnd = nullptr;  // no quit message for this loop
    Owner().DestroyWindow();
    if (IsWindow(hPopup))
        return 40;
    if (Owner().m_bHeldAGonePopup)
        return 41;
    return CheckAllGone();
}

class DesktopAlertShutdownTest : public testing::TestWithParam<const wchar_t*> {};

TEST_P(DesktopAlertShutdownTest, PopupGoesWaitingAlertsAreDroppedNothingOpensAfter)
{
    const DebugCaptureResult result = CaptureDebugOutput(ChildScenarioCommandLine(GetParam()));
    ASSERT_TRUE(result.bStarted);
    ASSERT_FALSE(result.bTimedOut);
    EXPECT_EQ(result.nExitCode, 0u);
    EXPECT_THAT(result.strings, testing::IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(Ends, DesktopAlertShutdownTest,
                         testing::Values(L"ShutdownWithPopupOpen", L"ShutdownWhilePopupCloses",
                                         L"MainWindowDestroyedWithPopupOpen"),
                         [](const testing::TestParamInfo<const wchar_t*>& info) {
                             const std::wstring name(info.param);
                             return std::string(name.begin(), name.end());
                         });

// ---------------------------------------------------------------------------------------
// Screenshots: one popup of each kind, each held until tools/screenshot.sh has taken it.

TN_CHILD_SCENARIO(AlertScreenshots)
{
    if (Owner().m_hWnd == nullptr)
        return 2;
    CDesktopAlert& alerts = CDesktopAlert::GetInstance();
    alerts.m_nAutoCloseTime = 0;  // held until photographed
    const struct {
        const wchar_t* pszScene;
        AlertKind nKind;
        const wchar_t* pszPlainText;
        const wchar_t* pszLinkText;
    } scenes[] = {
        {L"sms", AlertSms, L"",
         L"From: +4917712345\nReceived 07/03/2009 14:05\nHi! The router is in the hall now; the signal is much "
         L"better there, and the new antenna helps too. I will be home at eight, unless the train is late "
         L"again: then I will call you from the station. Bring the keys, mine are still in the office, "
         L"next to the printer on the second floor, in the drawer with the blue label. And please water "
         L"the plants on the balcony, they have had no rain for a week. The neighbours asked whether we "
         L"could take their parcel tomorrow morning; I said yes, so someone has to be at home before ten. "
         L"Thanks, and see you soon!"},
        {L"call", AlertIncomingCall, L"", L"Incoming call:\n+4930998877"},
        {L"error", AlertError, L"Error occured:\nThe SIM card is missing or was not recognised.", L""},
        {L"update", AlertUpdate, L"", L"New Notifier is available."},
    };
    int nResult = 0;
    for (const auto& scene : scenes) {
        alerts.AddAlert(scene.nKind, scene.pszPlainText, scene.pszLinkText);
        CMFCDesktopAlertWndEx* pPopup = OpenPopup();
        if (pPopup == nullptr || !PumpUntil([pPopup] { return pPopup->IsFullyShown(); }))
            return 3;
        if (!HoldForScreenshot(scene.pszScene))
            nResult = 4;
        pPopup->ClosePopup();
    }
    return nResult;
}

}  // namespace

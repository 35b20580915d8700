// The status window and a desktop alert at the display scale of the Wine prefix they run in:
// 96 DPI in the test prefix, 144 and 192 DPI in prefixes of their own (the CTest entries
// windows.test_dpi.144 and windows.test_dpi.192, one sandbox each; TN_EXPECTED_DPI names the
// scale the prefix was given). At that scale: the layout on the real template 102 (groups
// where the plan says, the window as tall as the plan at that DPI, at the work area's
// corner), the missed-call list's columns, the sizes of the icon labels' and the tray's
// images, the popup's parts and small icon; then a change of DPI there and back.
//
// Wine 8 gives every screen the one DPI of the prefix and sends no WM_DPICHANGED, and its
// dialog manager does not scale a dialog's controls on one, as Windows does for a dialog of a
// per-monitor program. So the change is sent here by hand, and the controls keep their sizes
// through it: what follows the message's DPI is the window's own part (margins, columns,
// images, the suggested width).
#include <windows.h>

#include <commctrl.h>

#include <gmock/gmock.h>

#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "alerts/DesktopAlert.h"
#include "alerts/MFCDesktopAlertWndEx.h"
#include "app/AppMain.h"
#include "app/Settings.h"
#include "resources/resource.h"
#include "status/DialogLayout.h"
#include "status/DlgMain.h"
#include "tests/windows/support/IconPixels.h"
#include "tests/windows/support/MemorySettings.h"
#include "tests/windows/support/MessagePump.h"
#include "tests/windows/support/WindowRects.h"

namespace {

// A 96-DPI size at nDpi, by the system's own rounding.
int Scale(int nPixels, UINT nDpi)
{
    return MulDiv(nPixels, static_cast<int>(nDpi), 96);
}

// The DPI that a change is tried with from nDpi: another one of the three.
UINT OtherDpi(UINT nDpi)
{
    return nDpi == 144 ? 192 : 144;
}

SIZE IconSize(HICON hIcon)
{
    ICONINFO info = {};
    if (hIcon == nullptr || !GetIconInfo(hIcon, &info))
        return SIZE{};
    BITMAP bm = {};
    GetObjectW(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof(bm), &bm);
    const SIZE size = {bm.bmWidth, info.hbmColor != nullptr ? bm.bmHeight : bm.bmHeight / 2};
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
    if (info.hbmMask)
        DeleteObject(info.hbmMask);
    return size;
}

// Icon nId of this binary (the program's resources) loaded at cx by cy.
std::vector<uint32_t> ResourceIconPixels(uint32_t nId, int cx, int cy)
{
    XIcon icon(static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(nId), IMAGE_ICON, cx, cy, LR_DEFAULTCOLOR)));
    return IconPixels(icon.Get());
}

HICON LabelIcon(HWND hDialog, int nId)
{
    return reinterpret_cast<HICON>(SendDlgItemMessageW(hDialog, nId, STM_GETICON, 0, 0));
}

// What the icon labels show: each image at its real size scaled to nDpi, and the very
// image of its resource at that size.
struct LabelImage {
    int nControlId;
    uint32_t nIconId;
    int cx;
    int cy;  // at 96 DPI
};

std::vector<std::string> CheckLabelImages(HWND hDialog, const std::vector<LabelImage>& images, UINT nDpi)
{
    std::vector<std::string> faults;
    for (const LabelImage& image : images) {
        const HICON hIcon = LabelIcon(hDialog, image.nControlId);
        const SIZE size = IconSize(hIcon);
        const std::string strWhat = "control " + std::to_string(image.nControlId) + ": ";
        if (size.cx != Scale(image.cx, nDpi) || size.cy != Scale(image.cy, nDpi))
            faults.push_back(strWhat + std::to_string(size.cx) + " by " + std::to_string(size.cy));
        else if (IconPixels(hIcon) != ResourceIconPixels(image.nIconId, size.cx, size.cy))
            faults.push_back(strWhat + "not the image of icon " + std::to_string(image.nIconId));
    }
    return faults;
}

// ---------------------------------------------------------------------------------------
// A desktop alert at the DPI, and after a change of it. First: the main window's end
// ends the alerts too.

TEST(DesktopAlertAtDpi, PartsAndSmallIconFollowTheDpi)
{
    CDesktopAlert::GetInstance().AddAlert(AlertSms, L"", L"+4930998877\nReceived\nSee you at eight.");
    auto* pPopup = static_cast<CMFCDesktopAlertWndEx*>(CDesktopAlert::s_pPopup);
    ASSERT_NE(pPopup, nullptr);
    const HWND hWnd = pPopup->m_hWnd;
    ASSERT_TRUE(PumpUntil([&] { return pPopup->IsFullyShown(); }));

    // The body's icon and the caption at the sizes of the DPI, the small icon loaded at it.
    auto check = [&](UINT nDpi) {
        SCOPED_TRACE(nDpi);
        const RECT rcIcon = pPopup->GetPartRect(CMFCDesktopAlertWnd::PartIcon);
        EXPECT_EQ(rcIcon.right - rcIcon.left, Scale(32, nDpi));
        EXPECT_EQ(rcIcon.bottom - rcIcon.top, Scale(32, nDpi));
        const RECT rcCaption = pPopup->GetPartRect(CMFCDesktopAlertWnd::PartCaption);
        EXPECT_EQ(rcCaption.bottom - rcCaption.top, Scale(20, nDpi));
        const int nSmall = GetSystemMetricsForDpi(SM_CXSMICON, nDpi);
        const HICON hSmall = reinterpret_cast<HICON>(SendMessageW(hWnd, WM_GETICON, ICON_SMALL, 0));
        EXPECT_EQ(IconSize(hSmall).cx, nSmall);
        EXPECT_EQ(IconPixels(hSmall), ResourceIconPixels(IDI_APP, nSmall, nSmall));
    };
    const UINT nFirstDpi = GetDpiForWindow(hWnd);
    check(nFirstDpi);
    for (UINT nDpi : {OtherDpi(nFirstDpi), nFirstDpi}) {
        RECT rcSuggested = WindowRect(hWnd);
        SendMessageW(hWnd, WM_DPICHANGED, MAKEWPARAM(nDpi, nDpi), reinterpret_cast<LPARAM>(&rcSuggested));
        check(nDpi);
    }
    CDesktopAlert::Shutdown();
    EXPECT_FALSE(IsWindow(hWnd));
}

// ---------------------------------------------------------------------------------------
// The process as start-up leaves it, and one main window for the whole binary: the layout
// measures its groups once per process.

CDlgMain* MakeMainWindow()
{
    static CMemoryStore s_store;
    static CFixedVersion s_version;
    CSettings::SetStore(&s_store, &s_version);
    if (!CSettings::GetInstance().m_bValid || CSettings::GetInstance().m_strIpAddress != L"127.0.0.1")
        return nullptr;
    INITCOMMONCONTROLSEX icc = {sizeof(icc), 0xFF};
    INITCOMMONCONTROLSEX iccLink = {sizeof(iccLink), ICC_LINK_CLASS};
    WNDCLASSW wc = {};
    if (!InitCommonControlsEx(&icc) || !InitCommonControlsEx(&iccLink) || !GetClassInfoW(nullptr, L"#32770", &wc))
        return nullptr;
    wc.lpszClassName = kMainWindowClassName;
    wc.hInstance = GetModuleHandleW(nullptr);
    if (RegisterClassW(&wc) == 0)
        return nullptr;
    auto* pDlg = new CDlgMain();
    if (!pDlg->Create(IDD_MAIN, nullptr)) {
        delete pDlg;
        return nullptr;
    }
    // It never tries the router.
    KillTimer(pDlg->m_hWnd, IDT_CONNECT);
    pDlg->m_nTimerId = 0;
    return pDlg;
}

class StatusWindowAtDpi : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // A refused tray icon would stop the window's making in a modal box.
        ASSERT_NE(FindWindowW(L"Shell_TrayWnd", nullptr), nullptr) << "no notification area";
        s_pDlg = MakeMainWindow();
        ASSERT_NE(s_pDlg, nullptr);
        s_nDpi = GetDpiForWindow(s_pDlg->m_hWnd);
        // The link up, so that the signal label shows an image of the window's own.
        s_pDlg->SetRouterConnected(true);
        s_pDlg->SetSignalStrength(3);
        ASSERT_TRUE(PumpUntil([] { return LabelIcon(Dlg(), IDC_SIGNAL_ICON) != nullptr; }));
        s_templateRects = SnapshotControls();
    }
    static void TearDownTestSuite()
    {
        if (s_pDlg != nullptr)
            s_pDlg->DestroyWindow();
        PumpUntil([] { return false; }, 0);
    }

    static HWND Dlg() { return s_pDlg->m_hWnd; }

    static std::map<int, RECT> SnapshotControls()
    {
        std::map<int, RECT> rects;
        for (const int32_t* pGroup : s_layoutGroupIds)
            for (const int32_t* pId = pGroup; *pId != 0; ++pId)
                rects[*pId] = ItemRect(Dlg(), *pId);
        return rects;
    }

    // The window after a showing of nMask at nDpi: each group's controls where the plan
    // puts the group, unchanged in size, shown or hidden by the mask; the window as wide
    // as nWidth, as tall as its shown groups and the margins of nDpi, at the work area's
    // corner. groups and measured: the groups and their controls as the layout measured
    // them; bRefreshed: the window refreshed its controls after the layout.
    static std::vector<std::string> CheckShowing(uint32_t nMask, UINT nDpi, int nWidth,
                                                 const GroupGeometry (&groups)[kLayoutGroupCount],
                                                 const std::map<int, RECT>& measured, bool bRefreshed = false)
    {
        std::vector<std::string> faults;
        const std::string strMask = "mask " + std::to_string(nMask) + ": ";
        const LayoutPlan plan = PlanLayout(nMask, groups, true, true, nDpi);
        int nShown = 0;
        int nHeight = 0;
        for (size_t g = 0; g < kLayoutGroupCount; ++g) {
            const bool bShown = (nMask & (1u << g)) != 0;
            if (bShown) {
                ++nShown;
                nHeight += groups[g].nHeight;
            }
            const int dx = plan.aptOrigin[g].x - groups[g].ptOrigin.x;
            const int dy = plan.aptOrigin[g].y - groups[g].ptOrigin.y;
            for (const int32_t* pId = s_layoutGroupIds[g]; *pId != 0; ++pId) {
                const RECT rcNow = ItemRect(Dlg(), *pId);
                const RECT& rcBase = measured.at(*pId);
                const std::string strId = std::to_string(*pId);
                // A refresh after the layout hides "No connection" while the link is up.
                const bool bVisible = bShown && !(bRefreshed && *pId == IDC_NO_CONNECTION);
                if (((GetWindowLongW(GetDlgItem(Dlg(), *pId), GWL_STYLE) & WS_VISIBLE) != 0) != bVisible)
                    faults.push_back(strMask + "visibility of " + strId);
                if (rcNow.left != rcBase.left + dx || rcNow.top != rcBase.top + dy)
                    faults.push_back(strMask + "place of " + strId);
                if (rcNow.right - rcNow.left != rcBase.right - rcBase.left ||
                    rcNow.bottom - rcNow.top != rcBase.bottom - rcBase.top)
                    faults.push_back(strMask + "size of " + strId);
            }
        }
        // Top margin 10, 7 between two groups, bottom margin 18, all at 96 DPI.
        if (nShown > 0)
            nHeight += Scale(10, nDpi) + (nShown - 1) * Scale(7, nDpi);
        nHeight += Scale(18, nDpi);
        const RECT rcWindow = WindowRect(Dlg());
        const RECT rcWork = WorkArea();
        if (rcWindow.right != rcWork.right || rcWindow.bottom != rcWork.bottom)
            faults.push_back(strMask + "window not at the corner");
        if (rcWindow.right - rcWindow.left != nWidth)
            faults.push_back(strMask + "window width " + std::to_string(rcWindow.right - rcWindow.left));
        if (rcWindow.bottom - rcWindow.top != nHeight)
            faults.push_back(strMask + "window height " + std::to_string(rcWindow.bottom - rcWindow.top) +
                             ", the plan's " + std::to_string(nHeight));
        return faults;
    }

    // The groups as the controls stand now in the template's arrangement.
    static void MeasureGroups(const std::map<int, RECT>& rects, GroupGeometry (&groups)[kLayoutGroupCount])
    {
        for (size_t g = 0; g < kLayoutGroupCount; ++g) {
            const int32_t* pIds = s_layoutGroupIds[g];
            size_t nLast = 0;
            while (pIds[nLast + 1] != 0)
                ++nLast;
            const RECT& rcAnchor = rects.at(pIds[0]);
            groups[g].ptOrigin = Point{rcAnchor.left, rcAnchor.top};
            groups[g].nHeight = rects.at(pIds[nLast]).bottom - rcAnchor.top;
        }
    }

    // The controls' rectangles with the icon labels at the sizes of their images at nDpi:
    // a label takes the size of the image it is given.
    static std::map<int, RECT> WithLabelSizes(std::map<int, RECT> rects, UINT nDpi)
    {
        for (const LabelImage& image : LabelImages()) {
            RECT& rc = rects.at(image.nControlId);
            rc.right = rc.left + Scale(image.cx, nDpi);
            rc.bottom = rc.top + Scale(image.cy, nDpi);
        }
        return rects;
    }

    static std::vector<int> ColumnWidths()
    {
        return {static_cast<int>(SendDlgItemMessageW(Dlg(), IDC_CALLS_LIST, LVM_GETCOLUMNWIDTH, 0, 0)),
                static_cast<int>(SendDlgItemMessageW(Dlg(), IDC_CALLS_LIST, LVM_GETCOLUMNWIDTH, 1, 0))};
    }

    // Caller 115 pixels, date the client width with the vertical scroll bar less 132 (at 96
    // DPI). The list hides the bar while its rows fit, which leaves it wider by the bar.
    static std::vector<int> ExpectedColumns(UINT nDpi)
    {
        const HWND hList = GetDlgItem(Dlg(), IDC_CALLS_LIST);
        RECT rcList = {};
        GetClientRect(hList, &rcList);
        if ((GetWindowLongW(hList, GWL_STYLE) & WS_VSCROLL) == 0)
            rcList.right -= GetSystemMetrics(SM_CXVSCROLL);
        return {Scale(115, nDpi), rcList.right - Scale(132, nDpi)};
    }

    // The template's icon labels and the signal image, which the link's state brings.
    static std::vector<LabelImage> LabelImages()
    {
        const uint32_t nSignalId = s_pDlg->m_status.GetSignalIconId();
        return {{IDC_SMS_PREV, IDI_ARROW_PREV, 6, 9},
                {IDC_SMS_NEXT, IDI_ARROW_NEXT, 6, 9},
                {IDC_SMS_ICON, IDI_ENVELOPE, 32, 32},
                {IDC_CALLS_ICON, IDI_HANDSET, 32, 32},
                {IDC_SIGNAL_ICON, nSignalId, 32, 32}};
    }

    static SIZE TrayImageSize() { return IconSize(s_pDlg->m_notifyIcon.Record().hIcon); }

    static inline CDlgMain* s_pDlg = nullptr;
    static inline UINT s_nDpi = 0;
    static inline std::map<int, RECT> s_templateRects;
};

TEST_F(StatusWindowAtDpi, RunsAtThePrefixScale)
{
    const char* pszExpected = std::getenv("TN_EXPECTED_DPI");
    const UINT nExpected = pszExpected != nullptr ? static_cast<UINT>(std::atoi(pszExpected)) : 96;
    EXPECT_EQ(GetDpiForSystem(), nExpected);
    EXPECT_EQ(s_nDpi, nExpected);
}

TEST_F(StatusWindowAtDpi, ListColumnsAndImagesFollowTheDpi)
{
    EXPECT_EQ(ColumnWidths(), ExpectedColumns(s_nDpi));
    EXPECT_THAT(CheckLabelImages(Dlg(), LabelImages(), s_nDpi), testing::IsEmpty());

    // The tray's images at the shell's small-icon size of the DPI.
    const int nSmall = GetSystemMetricsForDpi(SM_CXSMICON, s_nDpi);
    EXPECT_EQ(s_pDlg->m_notifyIcon.ImageSize(), nSmall);
    const SIZE tray = TrayImageSize();
    EXPECT_EQ(tray.cx, nSmall);
    EXPECT_EQ(tray.cy, nSmall);
}

TEST_F(StatusWindowAtDpi, GroupsAndWindowAsThePlanAtTheDpi)
{
    const RECT rcTemplateWindow = WindowRect(Dlg());
    const int nWidth = rcTemplateWindow.right - rcTemplateWindow.left;
    // The counter block moves 18 pixels at 96 DPI, before the groups are measured.
    std::map<int, RECT> measured = s_templateRects;
    for (int nId : {IDC_SMS_COUNTER, IDC_SMS_PREV, IDC_SMS_NEXT})
        OffsetRect(&measured[nId], Scale(18, s_nDpi), 0);
    GroupGeometry groups[kLayoutGroupCount];
    MeasureGroups(measured, groups);

    for (uint32_t nMask : {15u, 4u, 0u, 5u, 13u, 10u, 15u}) {
        s_pDlg->m_dlgBase.UpdateLayout(nMask);
        EXPECT_THAT(CheckShowing(nMask, s_nDpi, nWidth, groups, measured), testing::IsEmpty());
    }
    // Places named outright: the status group at the SMS origin when alone; with the SMS,
    // where the missed calls were, and the upgrade group one gap of the DPI below it.
    s_pDlg->m_dlgBase.UpdateLayout(4);
    RECT rcStatus = ItemRect(Dlg(), IDC_STATUS_TITLE);
    EXPECT_EQ(rcStatus.left, groups[kGroupSms].ptOrigin.x);
    EXPECT_EQ(rcStatus.top, groups[kGroupSms].ptOrigin.y);
    s_pDlg->m_dlgBase.UpdateLayout(13);
    rcStatus = ItemRect(Dlg(), IDC_STATUS_TITLE);
    EXPECT_EQ(rcStatus.top, groups[kGroupMissedCalls].ptOrigin.y);
    EXPECT_EQ(ItemRect(Dlg(), IDC_UPDATE_TITLE).top,
              rcStatus.top + groups[kGroupDeviceStatus].nHeight + Scale(7, s_nDpi));
}

TEST_F(StatusWindowAtDpi, FollowsADpiChangeThereAndBack)
{
    s_pDlg->m_dlgBase.UpdateLayout(13);
    const RECT rcBefore = WindowRect(Dlg());
    const std::map<int, RECT> before = SnapshotControls();
    const std::vector<int> columnsBefore = ColumnWidths();
    const UINT nDpi = OtherDpi(s_nDpi);

    // Wine's dialog manager leaves the controls as they are: the groups measure as before,
    // and only the icon labels change their sizes, with their images.
    std::map<int, RECT> measured = s_templateRects;
    for (int nId : {IDC_SMS_COUNTER, IDC_SMS_PREV, IDC_SMS_NEXT})
        OffsetRect(&measured[nId], Scale(18, s_nDpi), 0);
    GroupGeometry groups[kLayoutGroupCount];
    MeasureGroups(measured, groups);

    // The screen the window is on changes its scale: a rectangle of the new DPI suggested
    // somewhere else, whose width the window takes, at the work area's corner.
    const int nWidth = MulDiv(rcBefore.right - rcBefore.left, static_cast<int>(nDpi), static_cast<int>(s_nDpi));
    const int nHeight = MulDiv(rcBefore.bottom - rcBefore.top, static_cast<int>(nDpi), static_cast<int>(s_nDpi));
    RECT rcSuggested = {40, 50, 40 + nWidth, 50 + nHeight};
    SendMessageW(Dlg(), WM_DPICHANGED, MAKEWPARAM(nDpi, nDpi), reinterpret_cast<LPARAM>(&rcSuggested));
    EXPECT_THAT(CheckShowing(13, nDpi, nWidth, groups, WithLabelSizes(measured, nDpi), true), testing::IsEmpty());
    EXPECT_EQ(ColumnWidths(), ExpectedColumns(nDpi));
    EXPECT_THAT(CheckLabelImages(Dlg(), LabelImages(), nDpi), testing::IsEmpty());
    const int nSmall = GetSystemMetricsForDpi(SM_CXSMICON, nDpi);
    EXPECT_EQ(TrayImageSize().cx, nSmall);
    // The shell has the new image at once: the old ones can go.
    EXPECT_FALSE(s_pDlg->m_notifyIcon.NeedsFlush());

    // And back: everything as it was.
    rcSuggested = rcBefore;
    SendMessageW(Dlg(), WM_DPICHANGED, MAKEWPARAM(s_nDpi, s_nDpi), reinterpret_cast<LPARAM>(&rcSuggested));
    const RECT rcAfter = WindowRect(Dlg());
    EXPECT_TRUE(EqualRect(&rcAfter, &rcBefore));
    const std::map<int, RECT> after = SnapshotControls();
    for (const auto& [nId, rc] : before) {
        SCOPED_TRACE(nId);
        EXPECT_TRUE(EqualRect(&after.at(nId), &rc));
    }
    EXPECT_EQ(ColumnWidths(), columnsBefore);
    EXPECT_THAT(CheckLabelImages(Dlg(), LabelImages(), s_nDpi), testing::IsEmpty());
    EXPECT_EQ(TrayImageSize().cx, GetSystemMetricsForDpi(SM_CXSMICON, s_nDpi));
}

}  // namespace

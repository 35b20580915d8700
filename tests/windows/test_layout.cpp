// The status window's layout on real controls (a copy of the main window's template):
// groups shown, hidden and moved, the window's height and corner, the once-only work; and
// the labels: semibold heading font, fitting to the text's extent, a dialog without a font.
#include <windows.h>

#include <commctrl.h>

#include <gmock/gmock.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "app/Log.h"
#include "framework/Wnd.h"
#include "status/DialogLayout.h"
#include "status/DlgBase.h"
#include "status/StaticBold.h"
#include "status/StaticRegular.h"
#include "tests/windows/support/ChildScenario.h"
#include "tests/windows/support/DebugCapture.h"
#include "tests/windows/support/TextExtent.h"

namespace {

constexpr int kMainTemplate = 102;
constexpr int kTemplateWithout1018 = 103;
constexpr int kTemplateWithoutFont = 104;
constexpr int kTemplateInOtherFont = 105;

INT_PTR CALLBACK PlainDialogProc(HWND, UINT nMsg, WPARAM, LPARAM)
{
    return nMsg == WM_INITDIALOG;
}

// A hidden modeless dialog from one of this binary's templates, destroyed with the object.
class TestDialog {
public:
    explicit TestDialog(int nTemplate)
    {
        INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&icc);
        m_hWnd =
            CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(nTemplate), nullptr, PlainDialogProc, 0);
        m_nError = m_hWnd ? 0 : GetLastError();
    }
    ~TestDialog()
    {
        if (m_hWnd)
            DestroyWindow(m_hWnd);
    }
    HWND Item(int nId) const { return GetDlgItem(m_hWnd, nId); }

    HWND m_hWnd = nullptr;
    DWORD m_nError = 0;  // why the dialog could not be made
};

RECT ItemRect(HWND hDialog, int nId)
{
    RECT rc = {};
    GetWindowRect(GetDlgItem(hDialog, nId), &rc);
    MapWindowPoints(nullptr, hDialog, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

RECT WindowRect(HWND hWnd)
{
    RECT rc = {};
    GetWindowRect(hWnd, &rc);
    return rc;
}

RECT WorkArea()
{
    RECT rc = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &rc, 0);
    return rc;
}

// The style bit, not IsWindowVisible: the dialog itself stays hidden.
bool HasVisibleStyle(HWND hWnd)
{
    return (GetWindowLongW(hWnd, GWL_STYLE) & WS_VISIBLE) != 0;
}

std::map<int, RECT> SnapshotControls(HWND hDialog)
{
    std::map<int, RECT> rects;
    for (const int32_t* pGroup : s_layoutGroupIds)
        for (const int32_t* pId = pGroup; *pId != 0; ++pId)
            rects[*pId] = ItemRect(hDialog, *pId);
    return rects;
}

bool IsCounterBlock(int nId)
{
    return nId == 1017 || nId == 1021 || nId == 1022;
}

// Window heights by the layout's rule, from the group heights h (SMS, missed calls, device
// status, upgrade), worked out per mask rather than by the code under test.
struct Showing {
    uint32_t nMask;
    int32_t (*pfnHeight)(const int32_t* h);
};

const Showing s_showings[] = {
    {4, [](const int32_t* h) { return h[2] + 28; }},
    {0, [](const int32_t*) { return 18; }},
    {5, [](const int32_t* h) { return h[0] + 10 + h[2] + 7 + 18; }},
    {15, [](const int32_t* h) { return h[0] + 10 + h[1] + 7 + h[2] + 7 + h[3] + 7 + 18; }},
    {13, [](const int32_t* h) { return h[0] + 10 + h[2] + 7 + h[3] + 7 + 18; }},
    {10, [](const int32_t* h) { return h[1] + 10 + h[3] + 7 + 18; }},
};

// What went wrong in one run of the layout over a template, one line per mismatch.
class CMismatches {
public:
    template <typename T>
    void Expect(bool bOk, const wchar_t* pszWhat, T nId)
    {
        if (!bOk)
            m_lines.push_back(m_strContext + pszWhat + L" " + std::to_wstring(nId));
    }
    void SetContext(const std::wstring& strContext) { m_strContext = strContext + L": "; }
    const std::vector<std::wstring>& Lines() const { return m_lines; }

private:
    std::wstring m_strContext;
    std::vector<std::wstring> m_lines;
};

// The whole life of the layout over one template, from the first showing on: the measurement
// is once per process, so each template needs a process of its own. Whatever the font, every
// showing (the first included) leaves the window exactly as tall as its groups say, at the
// work area's corner.
std::vector<std::wstring> CheckArrangement(int nTemplate)
{
    CMismatches check;
    TestDialog dialog(nTemplate);
    CWnd wnd;
    if (dialog.m_hWnd == nullptr || !wnd.SubclassWindow(dialog.m_hWnd))
        return {L"the dialog cannot be made: " + std::to_wstring(dialog.m_nError)};
    CDlgBase layout(&wnd);

    // The main window's first placement: its own height, at the work area's corner.
    const RECT rcTemplateWindow = WindowRect(dialog.m_hWnd);
    const int32_t nWidth = rcTemplateWindow.right - rcTemplateWindow.left;
    check.SetContext(L"first placement");
    check.Expect(CDlgBase::PlaceWindow(dialog.m_hWnd, rcTemplateWindow.bottom - rcTemplateWindow.top), L"placed", 0);
    const RECT rcWork = WorkArea();

    const std::map<int, RECT> templateRects = SnapshotControls(dialog.m_hWnd);
    // The groups as the layout measures them: after the counter block's shift.
    std::map<int, RECT> shifted = templateRects;
    for (auto& [nId, rc] : shifted)
        if (IsCounterBlock(nId))
            OffsetRect(&rc, 18, 0);
    GroupGeometry groups[kLayoutGroupCount];
    int32_t heights[kLayoutGroupCount] = {};
    for (size_t g = 0; g < kLayoutGroupCount; ++g) {
        const int32_t* pIds = s_layoutGroupIds[g];
        size_t nLast = 0;
        while (pIds[nLast + 1] != 0)
            ++nLast;
        const RECT& rcAnchor = shifted[pIds[0]];
        groups[g].ptOrigin = Point{rcAnchor.left, rcAnchor.top};
        groups[g].nHeight = heights[g] = shifted[pIds[nLast]].bottom - rcAnchor.top;
    }

    // The first showing is mask 15, the template's own arrangement: only the counter block
    // moves, and the window takes the height of the four groups.
    const Showing first = {15, [](const int32_t* h) { return h[0] + 10 + h[1] + 7 + h[2] + 7 + h[3] + 7 + 18; }};
    std::vector<Showing> showings = {first};
    showings.insert(showings.end(), std::begin(s_showings), std::end(s_showings));
    for (const Showing& showing : showings) {
        check.SetContext(L"mask " + std::to_wstring(showing.nMask));
        layout.UpdateLayout(showing.nMask);
        const LayoutPlan plan = PlanLayout(showing.nMask, groups);
        for (size_t g = 0; g < kLayoutGroupCount; ++g) {
            const bool bShown = (showing.nMask & (1u << g)) != 0;
            const int32_t dx = plan.aptOrigin[g].x - groups[g].ptOrigin.x;
            const int32_t dy = plan.aptOrigin[g].y - groups[g].ptOrigin.y;
            for (const int32_t* pId = s_layoutGroupIds[g]; *pId != 0; ++pId) {
                const RECT rcNow = ItemRect(dialog.m_hWnd, *pId);
                const RECT& rcBase = shifted[*pId];
                check.Expect(HasVisibleStyle(dialog.Item(*pId)) == bShown, L"visibility of", *pId);
                check.Expect(rcNow.left == rcBase.left + dx && rcNow.top == rcBase.top + dy, L"place of", *pId);
                check.Expect(rcNow.right - rcNow.left == rcBase.right - rcBase.left &&
                                 rcNow.bottom - rcNow.top == rcBase.bottom - rcBase.top,
                             L"size of", *pId);
            }
        }
        const RECT rcWindow = WindowRect(dialog.m_hWnd);
        check.Expect(rcWindow.right == rcWork.right && rcWindow.bottom == rcWork.bottom, L"window corner",
                     rcWindow.right);
        check.Expect(rcWindow.right - rcWindow.left == nWidth, L"window width", rcWindow.right - rcWindow.left);
        check.Expect(rcWindow.bottom - rcWindow.top == showing.pfnHeight(heights), L"window height",
                     rcWindow.bottom - rcWindow.top);
    }

    // Places named outright for masks 4 and 13: the status anchor at the SMS origin, then at
    // the missed-calls origin with the upgrade group 7 pixels below it.
    check.SetContext(L"named places");
    layout.UpdateLayout(4);
    RECT rcStatus = ItemRect(dialog.m_hWnd, 1010);
    check.Expect(rcStatus.left == groups[kGroupSms].ptOrigin.x && rcStatus.top == groups[kGroupSms].ptOrigin.y,
                 L"status anchor at mask", 4);
    layout.UpdateLayout(15);
    layout.UpdateLayout(13);
    rcStatus = ItemRect(dialog.m_hWnd, 1010);
    const RECT rcUpgrade = ItemRect(dialog.m_hWnd, 1015);
    check.Expect(rcStatus.top == groups[kGroupMissedCalls].ptOrigin.y, L"status anchor at mask", 13);
    check.Expect(rcUpgrade.top == rcStatus.top + heights[kGroupDeviceStatus] + 7, L"upgrade anchor at mask", 13);

    // The same mask again leaves everything where it is, even a window moved meanwhile.
    check.SetContext(L"same mask again");
    SetWindowPos(dialog.m_hWnd, nullptr, 5, 6, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    const RECT rcMoved = WindowRect(dialog.m_hWnd);
    ShowWindow(dialog.Item(1005), SW_SHOW);
    layout.UpdateLayout(13);
    const RECT rcAfterSame = WindowRect(dialog.m_hWnd);
    check.Expect(EqualRect(&rcAfterSame, &rcMoved) != FALSE, L"window moved", 0);
    check.Expect(HasVisibleStyle(dialog.Item(1005)), L"hidden again", 1005);
    const RECT rcStatusAfterSame = ItemRect(dialog.m_hWnd, 1010);
    check.Expect(EqualRect(&rcStatusAfterSame, &rcStatus) != FALSE, L"moved again", 1010);
    return check.Lines();
}

TEST(DialogLayoutOnWindows, ArrangesGroupsAndPlacesWindowPerMask)
{
    EXPECT_THAT(CheckArrangement(kMainTemplate), testing::IsEmpty());
}

// The same template in a font of other metrics, as a user's font, scaling or translation
// gives it: dialog units grow, the gaps between groups stay in pixels.
TN_CHILD_SCENARIO(LayoutInOtherFont)
{
    const std::vector<std::wstring> mismatches = CheckArrangement(kTemplateInOtherFont);
    for (const std::wstring& line : mismatches)
        OutputDebugStringW(line.c_str());
    return static_cast<int>(mismatches.size());
}

TEST(DialogLayoutOnWindows, ArrangesGroupsInAFontOfOtherMetrics)
{
    // The template's own height differs from that of its groups in this font.
    TestDialog dialog(kTemplateInOtherFont);
    ASSERT_NE(dialog.m_hWnd, nullptr);
    TestDialog reference(kMainTemplate);
    ASSERT_NE(reference.m_hWnd, nullptr);
    EXPECT_NE(ItemRect(dialog.m_hWnd, 1016).bottom, ItemRect(reference.m_hWnd, 1016).bottom);

    const DebugCaptureResult result = CaptureDebugOutput(ChildScenarioCommandLine(L"LayoutInOtherFont"));
    ASSERT_TRUE(result.bStarted);
    ASSERT_FALSE(result.bTimedOut);
    EXPECT_THAT(result.strings, testing::IsEmpty());
    EXPECT_EQ(result.nExitCode, 0u);
}

// A template without control 1018: skipped wherever it is named, reported once per kind.
TN_CHILD_SCENARIO(LayoutWithMissingControl)
{
    TestDialog dialog(kTemplateWithout1018);
    CWnd wnd;
    if (!dialog.m_hWnd || !wnd.SubclassWindow(dialog.m_hWnd))
        return 2;
    const RECT rcSmsAnchor = ItemRect(dialog.m_hWnd, 1002);
    const RECT rc1005 = ItemRect(dialog.m_hWnd, 1005);
    const RECT rc1024 = ItemRect(dialog.m_hWnd, 1024);
    CDlgBase layout(&wnd);
    layout.UpdateLayout(2);
    layout.UpdateLayout(15);
    layout.UpdateLayout(2);
    // The rest of the missed-calls group still moves as one block up to the SMS origin.
    const RECT rc1005Now = ItemRect(dialog.m_hWnd, 1005);
    const RECT rc1024Now = ItemRect(dialog.m_hWnd, 1024);
    if (rc1005Now.left != rcSmsAnchor.left || rc1005Now.top != rcSmsAnchor.top)
        return 3;
    if (rc1024Now.top - rc1005Now.top != rc1024.top - rc1005.top || rc1024Now.left != rc1024.left)
        return 4;
    return 0;
}

TEST(DialogLayoutOnWindows, MissingControlIsSkippedAndReportedOncePerKind)
{
    const DebugCaptureResult result = CaptureDebugOutput(ChildScenarioCommandLine(L"LayoutWithMissingControl"));
    ASSERT_TRUE(result.bStarted);
    ASSERT_FALSE(result.bTimedOut);
    EXPECT_EQ(result.nExitCode, 0u);
    EXPECT_THAT(result.strings, testing::UnorderedElementsAre(L"CDlgBase::MoveDlgItems: 1, 1018, NOK.\n",
                                                              L"CDlgBase::ShowDlgItems: 1, 1018, NOK.\n"));
}

std::vector<std::wstring> g_lines;

void CaptureLine(const wchar_t* pszLine)
{
    g_lines.emplace_back(pszLine);
}

class LabelTest : public testing::Test {
protected:
    void SetUp() override
    {
        g_lines.clear();
        m_pfnPrevious = XLogSetSink(CaptureLine);
    }
    void TearDown() override { XLogSetSink(m_pfnPrevious); }

private:
    XLogSinkFn m_pfnPrevious = nullptr;
};

LOGFONTW FontOf(HFONT hFont)
{
    LOGFONTW logFont = {};
    EXPECT_EQ(GetObjectW(hFont, sizeof(logFont), &logFont), static_cast<int>(sizeof(logFont)));
    return logFont;
}

TEST_F(LabelTest, HeadingTakesSemiboldVariantOfDialogFont)
{
    TestDialog dialog(kMainTemplate);
    ASSERT_NE(dialog.m_hWnd, nullptr);
    const HFONT hDialogFont = reinterpret_cast<HFONT>(SendMessageW(dialog.m_hWnd, WM_GETFONT, 0, 0));
    ASSERT_NE(hDialogFont, nullptr);

    CStaticBold heading;
    CStaticRegular regular;
    ASSERT_TRUE(heading.SubclassWindow(dialog.Item(1002)));
    ASSERT_TRUE(regular.SubclassWindow(dialog.Item(1005)));

    const LOGFONTW dialogFont = FontOf(hDialogFont);
    const LOGFONTW headingFont = FontOf(heading.GetFont());
    EXPECT_EQ(headingFont.lfWeight, 600);
    EXPECT_EQ(headingFont.lfHeight, dialogFont.lfHeight);
    EXPECT_EQ(headingFont.lfWidth, dialogFont.lfWidth);
    EXPECT_EQ(headingFont.lfItalic, dialogFont.lfItalic);
    EXPECT_EQ(headingFont.lfUnderline, dialogFont.lfUnderline);
    EXPECT_EQ(headingFont.lfStrikeOut, dialogFont.lfStrikeOut);
    EXPECT_EQ(headingFont.lfCharSet, dialogFont.lfCharSet);
    EXPECT_STREQ(headingFont.lfFaceName, dialogFont.lfFaceName);
    EXPECT_EQ(regular.GetFont(), hDialogFont);
    EXPECT_THAT(g_lines, testing::IsEmpty());
}

enum class Fit { OneLine, Wrapped, WiderWord };

TEST_F(LabelTest, FitsToTheTextWrappedAtTheInitialWidth)
{
    TestDialog dialog(kMainTemplate);
    ASSERT_NE(dialog.m_hWnd, nullptr);
    HWND hLabel = dialog.Item(1002);
    RECT rcClient = {};
    ASSERT_TRUE(GetClientRect(hLabel, &rcClient));
    const int32_t nInitialWidth = rcClient.right;
    const RECT rcTemplate = ItemRect(dialog.m_hWnd, 1002);

    CStaticBold heading;
    ASSERT_TRUE(heading.SubclassWindow(hLabel));

    const struct {
        const wchar_t* pszText;
        Fit fit;
    } cases[] = {
        {L"SMS Messages", Fit::OneLine},  // the template text, fitted when bound
        {L"Missed calls while you were away from your desk today", Fit::Wrapped},
        {L"Upgrade", Fit::OneLine},
        {L"Supercalifragilisticexpialidociously-long-heading-word", Fit::WiderWord},
        {L"Missed calls while you were away from your desk today", Fit::Wrapped},
        {L"SMS Messages", Fit::OneLine},
    };
    bool bFirst = true;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.pszText);
        if (!bFirst) {
            ASSERT_TRUE(SetWindowTextW(hLabel, c.pszText));
            heading.AutoResize();
        }
        bFirst = false;
        const SIZE extent = OneLineExtent(hLabel, c.pszText);
        ASSERT_GT(extent.cy, 0);
        RECT rc = {};
        ASSERT_TRUE(GetClientRect(hLabel, &rc));
        switch (c.fit) {
        case Fit::OneLine:
            ASSERT_LT(extent.cx, nInitialWidth);
            EXPECT_EQ(rc.right, extent.cx);
            EXPECT_EQ(rc.bottom, extent.cy);
            break;
        case Fit::Wrapped:
            ASSERT_GT(extent.cx, nInitialWidth);
            EXPECT_LE(rc.right, nInitialWidth);
            EXPECT_GT(rc.right, nInitialWidth / 2);
            EXPECT_GE(rc.bottom, 2 * extent.cy);
            EXPECT_EQ(rc.bottom % extent.cy, 0);
            break;
        case Fit::WiderWord:
            ASSERT_GT(extent.cx, nInitialWidth);
            EXPECT_EQ(rc.right, extent.cx);
            EXPECT_EQ(rc.bottom, extent.cy);
            break;
        }
        const RECT rcPlace = ItemRect(dialog.m_hWnd, 1002);
        EXPECT_EQ(rcPlace.left, rcTemplate.left);
        EXPECT_EQ(rcPlace.top, rcTemplate.top);
    }
    EXPECT_THAT(g_lines, testing::IsEmpty());
}

TEST_F(LabelTest, HeadingWithoutDialogFontKeepsSystemFontAndTemplateSize)
{
    TestDialog dialog(kTemplateWithoutFont);
    ASSERT_NE(dialog.m_hWnd, nullptr);
    HWND hLabel = dialog.Item(1010);
    ASSERT_EQ(SendMessageW(hLabel, WM_GETFONT, 0, 0), 0);
    const RECT rcTemplate = ItemRect(dialog.m_hWnd, 1010);

    CStaticBold heading;
    ASSERT_TRUE(heading.SubclassWindow(hLabel));
    EXPECT_EQ(heading.GetFont(), nullptr);
    const RECT rcAfter = ItemRect(dialog.m_hWnd, 1010);
    EXPECT_TRUE(EqualRect(&rcAfter, &rcTemplate));
    EXPECT_THAT(g_lines, testing::ElementsAre(
                             testing::AllOf(testing::StartsWith(L"CStaticRegular::PreSubclassWindow, GetFont: 0x"),
                                            testing::EndsWith(L".\n"))));
}

}  // namespace

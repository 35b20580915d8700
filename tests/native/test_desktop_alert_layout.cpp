// The desktop-alert popup's arithmetic: where it opens, how its parts sit and scale with
// the DPI, how far a slide step shows it, and how a text too long for it is cut.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "framework/DesktopAlertLayout.h"

namespace {

bool Inside(const Rect& inner, const Rect& outer)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

struct PlaceCase {
    const char* pszName;
    Rect rcWork;
    Point ptRequested;
    Point ptExpected;
};

// A popup of 300 x 100 on a 1280 x 1024 screen whose taskbar takes the bottom 40 pixels.
const Rect kWork = {0, 0, 1280, 984};
const PlaceCase kPlaceCases[] = {
    {"DefaultIsTheLowerRightCorner", kWork, {-1, -1}, {980, 884}},
    {"RequestedInsideStays", kWork, {12, 34}, {12, 34}},
    {"OnlyBothMinusOneIsTheDefault", kWork, {-1, 300}, {0, 300}},
    {"BeyondTheRightEdgeMovesIn", kWork, {1200, 500}, {980, 500}},
    {"BelowTheTaskbarMovesUp", kWork, {500, 950}, {500, 884}},
    {"AboveAndLeftMovesIn", kWork, {-400, -50}, {0, 0}},
    {"MonitorLeftOfThePrimary", {-1920, 0, 0, 1080}, {-1900, 1000}, {-1900, 980}},
    {"LargerThanTheWorkAreaKeepsTheTopLeftInside", {0, 0, 200, 80}, {-1, -1}, {0, 0}},
};

class PlaceTest : public testing::TestWithParam<PlaceCase> {};

TEST_P(PlaceTest, OpensInsideTheWorkArea)
{
    const PlaceCase& c = GetParam();
    const Rect rc = PlaceDesktopAlert(c.rcWork, Size{300, 100}, c.ptRequested);
    EXPECT_EQ(rc.left, c.ptExpected.x);
    EXPECT_EQ(rc.top, c.ptExpected.y);
    EXPECT_EQ(rc.Width(), 300);
    EXPECT_EQ(rc.Height(), 100);
}

INSTANTIATE_TEST_SUITE_P(Places, PlaceTest, testing::ValuesIn(kPlaceCases),
                         [](const testing::TestParamInfo<PlaceCase>& info) { return info.param.pszName; });

TEST(DesktopAlertArrangeTest, PartsSitInTheWindowAndScaleWithTheDpi)
{
    for (const uint32_t nDpi : {96u, 144u, 192u}) {
        SCOPED_TRACE(nDpi);
        const int32_t nScale100 = static_cast<int32_t>(nDpi * 100 / 96);
        const DesktopAlertMetrics m = ScaleDesktopAlertMetrics(nDpi, true, 16 * nScale100 / 100);
        const Size szText = {200 * nScale100 / 100, 26 * nScale100 / 100};
        const Size szLink = {120 * nScale100 / 100, 39 * nScale100 / 100};
        const DesktopAlertParts p = ArrangeDesktopAlert(m, true, szText, szLink);
        const Rect rcWindow = {0, 0, p.szWindow.cx, p.szWindow.cy};

        EXPECT_EQ(m.nIcon, 32 * nScale100 / 100);
        EXPECT_EQ(m.nCaptionHeight, 20 * nScale100 / 100);
        EXPECT_EQ(p.rcIcon.Width(), m.nIcon);
        for (const Rect& rc : {p.rcCaption, p.rcSmallIcon, p.rcTitle, p.rcClose, p.rcIcon, p.rcText, p.rcLink})
            EXPECT_TRUE(Inside(rc, rcWindow));
        EXPECT_TRUE(Inside(p.rcSmallIcon, p.rcCaption));
        EXPECT_TRUE(Inside(p.rcClose, p.rcCaption));
        EXPECT_TRUE(Inside(p.rcCloseGlyph, p.rcClose));
        EXPECT_LE(p.rcSmallIcon.right, p.rcTitle.left);
        EXPECT_LE(p.rcTitle.right, p.rcClose.left);
        // The texts beside the icon, the link under the plain text.
        EXPECT_GE(p.rcText.left, p.rcIcon.right + m.nIconGap);
        EXPECT_EQ(p.rcLink.left, p.rcText.left);
        EXPECT_EQ(p.rcLink.top, p.rcText.bottom + m.nTextGap);
        EXPECT_EQ(p.rcText.Width(), szText.cx);
        EXPECT_EQ(p.rcLink.Width(), szLink.cx);
        EXPECT_EQ(p.szWindow.cy,
                  2 * m.nBorder + m.nCaptionHeight + 2 * m.nPadding + szText.cy + m.nTextGap + szLink.cy);
    }
}

TEST(DesktopAlertArrangeTest, ColumnWidthIsClampedAndAbsentPartsAreEmpty)
{
    const DesktopAlertMetrics m = ScaleDesktopAlertMetrics(96, true, 16);
    // A one-line call alert: narrow text, the column keeps its least width, the text is
    // centred on the icon, there is no plain text.
    const DesktopAlertParts call = ArrangeDesktopAlert(m, true, Size{}, Size{90, 13});
    EXPECT_EQ(call.rcText.Width(), 0);
    EXPECT_EQ(call.rcText.Height(), 0);
    EXPECT_EQ(call.rcLink.Width(), 90);
    EXPECT_EQ(call.rcLink.top - call.rcIcon.top, (m.nIcon - 13) / 2);
    EXPECT_EQ(call.szWindow.cx, 2 * m.nBorder + 2 * m.nPadding + m.nIcon + m.nIconGap + m.nMinTextWidth);

    // An error alert without a link, wider than the column may be.
    const DesktopAlertParts error = ArrangeDesktopAlert(m, false, Size{900, 52}, Size{});
    EXPECT_EQ(error.rcLink.Width(), 0);
    EXPECT_EQ(error.rcLink.Height(), 0);
    EXPECT_EQ(error.rcIcon.Width(), 0);
    EXPECT_EQ(error.rcText.Width(), m.nMaxTextWidth);
    EXPECT_EQ(error.rcText.top, error.rcCaption.bottom + m.nPadding);
}

TEST(DesktopAlertSlideTest, GrowsFromNothingToTheWholeHeight)
{
    EXPECT_EQ(SlideHeight(100, 0, 8), 0);
    EXPECT_EQ(SlideHeight(100, 1, 8), 13);
    EXPECT_EQ(SlideHeight(100, 8, 8), 100);
    EXPECT_EQ(SlideHeight(100, 9, 8), 100);
    EXPECT_EQ(SlideHeight(100, 3, 0), 100);
    int32_t nPrevious = 0;
    for (int32_t nStep = 1; nStep <= 8; ++nStep) {
        EXPECT_GT(SlideHeight(100, nStep, 8), nPrevious);
        nPrevious = SlideHeight(100, nStep, 8);
    }
}

// A box of nLines lines of nWidth characters: line feeds break, long lines wrap.
std::function<bool(const std::wstring&)> FitsBox(size_t nWidth, size_t nLines)
{
    return [=](const std::wstring& strText) {
        size_t nUsed = 1, nColumn = 0;
        for (wchar_t c : strText) {
            if (c == L'\n' || nColumn == nWidth) {
                ++nUsed;
                nColumn = 0;
            }
            if (c != L'\n')
                ++nColumn;
        }
        return nUsed <= nLines;
    };
}

struct CutCase {
    const char* pszName;
    std::wstring strText;
    size_t nWidth;
    size_t nLines;
    std::wstring strExpected;
};

const CutCase kCutCases[] = {
    {"FittingTextStays", L"From: +49170\nReceived 07/03\nHi", 20, 3, L"From: +49170\nReceived 07/03\nHi"},
    {"LongBodyIsCutAfterTheHeader", L"From: A\nReceived B\n0123456789abcdefghijk", 10, 4,
     L"From: A\nReceived B\n0123456789abcdefghi\u2026"},
    {"LineBreakBeforeTheCutIsDropped", L"ab\ncd\nef\ngh", 10, 2, L"ab\ncd\u2026"},
    {"BlanksBeforeTheCutAreDropped", L"abcd     efgh", 5, 1, L"abcd\u2026"},
    {"NothingFitsButTheEllipsis", L"abcdef", 1, 1, L"\u2026"},
    {"NoRoomEvenForTheEllipsis", L"abcdef", 0, 0, L"\u2026"},
    // A character outside the basic plane is never split in two.
    {"SurrogatePairStaysWhole", std::wstring(L"abc") + wchar_t(0xD83D) + wchar_t(0xDE00) + L"defg", 5, 1, L"abc\u2026"},
};

class CutTest : public testing::TestWithParam<CutCase> {};

TEST_P(CutTest, KeepsTheLongestBeginningThatFits)
{
    const CutCase& c = GetParam();
    const std::wstring strCut = CutTextToFit(c.strText, FitsBox(c.nWidth, c.nLines));
    EXPECT_EQ(strCut, c.strExpected);
}

INSTANTIATE_TEST_SUITE_P(Texts, CutTest, testing::ValuesIn(kCutCases),
                         [](const testing::TestParamInfo<CutCase>& info) { return info.param.pszName; });

}  // namespace

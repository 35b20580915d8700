// The status window's pixel sizes at 96, 144 and 192 DPI: the rounding of a 96-DPI size,
// the layout's margins, the missed-call list's columns and the icon labels' images.
#include <gtest/gtest.h>

#include <cstdint>

#include "status/DialogLayout.h"
#include "status/DpiScale.h"
#include "status/WindowMetrics.h"

namespace {

TEST(DpiScale, RoundsHalvesAwayFromZeroAsMulDivDoes)
{
    const struct {
        int32_t nPixels;
        uint32_t nDpi;
        int32_t nExpected;
    } cases[] = {
        {0, 144, 0},   {1, 144, 2},
        {7, 144, 11},  {9, 144, 14},
        {41, 144, 62}, {115, 144, 173},
        {7, 120, 9},   {10, 120, 13},
        {7, 192, 14},  {-7, 144, -11},
        {-1, 144, -2}, {18, 72, 14},
        {32, 288, 96}, {2000000, 192, 4000000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.nPixels << " at " << c.nDpi);
        EXPECT_EQ(ScaleToDpi(c.nPixels, c.nDpi), c.nExpected);
    }
    for (int32_t n : {-41, -1, 0, 1, 7, 10, 18, 41, 132})
        EXPECT_EQ(ScaleToDpi(n, kBaseDpi), n);
}

// The same groups at every DPI, so that only the margins differ: SMS 70 high at (7,7),
// missed calls 62 at (7,85), device status 33 at (7,155), upgrade 29 at (7,193).
constexpr GroupGeometry s_groups[kLayoutGroupCount] = {{{7, 7}, 70}, {{7, 85}, 62}, {{7, 155}, 33}, {{7, 193}, 29}};

struct DpiPlanCase {
    uint32_t nDpi;
    uint32_t nMask;
    int32_t ay[kLayoutGroupCount];
    int32_t nWindowHeight;
};

// Margins top 10, between 7, bottom 18 at 96 DPI: 15, 11, 27 at 144 and 20, 14, 36 at 192.
// clang-format off
constexpr DpiPlanCase s_dpiPlanCases[] = {
    {96, 15, {7, 85, 155, 193}, 70 + 10 + 62 + 7 + 33 + 7 + 29 + 7 + 18},
    {144, 15, {7, 85, 155, 193}, 70 + 15 + 62 + 11 + 33 + 11 + 29 + 11 + 27},
    {192, 15, {7, 85, 155, 193}, 70 + 20 + 62 + 14 + 33 + 14 + 29 + 14 + 36},
    {96, 4, {7, 7, 7, 47}, 33 + 10 + 18},
    {144, 4, {7, 7, 7, 7 + 33 + 11}, 33 + 15 + 27},
    {192, 4, {7, 7, 7, 7 + 33 + 14}, 33 + 20 + 36},
    {144, 0, {7, 7, 7, 7}, 27},
    {192, 0, {7, 7, 7, 7}, 36},
    {144, 13, {7, 85, 85, 85 + 33 + 11}, 70 + 15 + 33 + 11 + 29 + 11 + 27},
    {192, 13, {7, 85, 85, 85 + 33 + 14}, 70 + 20 + 33 + 14 + 29 + 14 + 36},
    {144, 6, {7, 7, 7 + 62 + 11, 7 + 62 + 11 + 33 + 11}, 62 + 15 + 33 + 11 + 27},
};
// clang-format on

class DpiPlanTest : public testing::TestWithParam<DpiPlanCase> {};

TEST_P(DpiPlanTest, MarginsFollowTheDpi)
{
    const DpiPlanCase& c = GetParam();
    SCOPED_TRACE(testing::Message() << "mask " << c.nMask << " at " << c.nDpi);
    const LayoutPlan plan = PlanLayout(c.nMask, s_groups, true, true, c.nDpi);
    for (size_t g = 0; g < kLayoutGroupCount; ++g) {
        SCOPED_TRACE(g);
        EXPECT_EQ(plan.abShown[g], (c.nMask & (1u << g)) != 0);
        EXPECT_EQ(plan.aptOrigin[g].x, 7);
        EXPECT_EQ(plan.aptOrigin[g].y, c.ay[g]);
    }
    EXPECT_EQ(plan.nWindowHeight, c.nWindowHeight);
    EXPECT_EQ(plan.nFullHeight, 70 + 62 + 33 + 29 + ScaleToDpi(41, c.nDpi));
}

INSTANTIATE_TEST_SUITE_P(Dpis, DpiPlanTest, testing::ValuesIn(s_dpiPlanCases));

TEST(DialogLayoutDpi, ADpiChangeMeasuresAndArrangesAgainOnlyOnceMeasured)
{
    LayoutState state;
    const LayoutStep before = TakeDpiChangeStep(state);
    EXPECT_FALSE(before.bMeasure);
    EXPECT_FALSE(before.bApply);

    TakeLayoutStep(state, 13);
    const LayoutStep after = TakeDpiChangeStep(state);
    EXPECT_TRUE(after.bMeasure);
    EXPECT_TRUE(after.bApply);
    // The mask of the next showing is still compared with the last one shown.
    EXPECT_EQ(state.nLastMask, 13u);
    EXPECT_FALSE(TakeLayoutStep(state, 13).bApply);
}

TEST(WindowMetrics, ListColumnsAtEachDpi)
{
    const struct {
        uint32_t nDpi;
        int32_t nClientWidth;
        int32_t nCaller;
        int32_t nDate;
    } cases[] = {
        {96, 249, 115, 249 - 132},
        {144, 375, 173, 375 - 198},
        {192, 498, 230, 498 - 264},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.nDpi);
        const MissedCallColumns columns = MissedCallColumnWidths(c.nClientWidth, c.nDpi);
        EXPECT_EQ(columns.nCaller, c.nCaller);
        EXPECT_EQ(columns.nDate, c.nDate);
    }
}

TEST(WindowMetrics, LabelImagesAtTheirRealSizeScaled)
{
    const struct {
        uint32_t nIconId;
        int32_t cx96, cy96, cx144, cy144, cx192, cy192;
    } cases[] = {
        {IDI_SIGNAL_0, 32, 32, 48, 48, 64, 64}, {IDI_SIGNAL_5, 32, 32, 48, 48, 64, 64},
        {IDI_ENVELOPE, 32, 32, 48, 48, 64, 64}, {IDI_HANDSET, 32, 32, 48, 48, 64, 64},
        {IDI_ARROW_PREV, 6, 9, 9, 14, 12, 18},  {IDI_ARROW_NEXT, 6, 9, 9, 14, 12, 18},
        {IDI_TRAY_0, 0, 0, 0, 0, 0, 0},         {0, 0, 0, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.nIconId);
        const Size at96 = LabelImageSize(c.nIconId, 96);
        const Size at144 = LabelImageSize(c.nIconId, 144);
        const Size at192 = LabelImageSize(c.nIconId, 192);
        EXPECT_EQ(at96.cx, c.cx96);
        EXPECT_EQ(at96.cy, c.cy96);
        EXPECT_EQ(at144.cx, c.cx144);
        EXPECT_EQ(at144.cy, c.cy144);
        EXPECT_EQ(at192.cx, c.cx192);
        EXPECT_EQ(at192.cy, c.cy192);
    }
}

}  // namespace

// Layout arithmetic of the status window: group measurement, the arrangement for each
// visibility mask, the bottom-right placement, the once-only work of repeated showings,
// and the label fitting rules.
#include <gtest/gtest.h>

#include <cstddef>
#include <vector>

#include "status/DialogLayout.h"
#include "status/LabelFit.h"

namespace {

// Main window controls at their template places (left, top, width, height), one dialog
// unit taken as one pixel so that expected values can be worked out by hand.
struct TemplateControl {
    int32_t nId;
    int32_t x, y, cx, cy;
};

constexpr TemplateControl s_template[] = {
    {1002, 7, 7, 116, 8},  {1017, 127, 7, 46, 8},    {1021, 176, 8, 20, 20}, {1022, 186, 8, 20, 20},
    {1023, 7, 20, 20, 20}, {1003, 34, 19, 85, 8},    {1011, 110, 19, 91, 8}, {1004, 33, 30, 168, 47},
    {1005, 7, 85, 86, 8},  {1018, 154, 85, 46, 8},   {1024, 7, 99, 20, 20},  {1031, 33, 96, 168, 51},
    {1010, 7, 155, 61, 8}, {1013, 180, 157, 20, 20}, {1001, 7, 169, 134, 8}, {1020, 7, 169, 194, 8},
    {1012, 7, 180, 74, 8}, {1014, 153, 180, 48, 8},  {1015, 7, 193, 61, 8},  {1016, 7, 205, 196, 17},
};

// Rectangles of a group's controls in list order, leaving out nMissingId.
std::vector<Rect> GroupRects(const int32_t* pIds, int32_t nMissingId = 0)
{
    std::vector<Rect> rects;
    for (; *pIds != 0; ++pIds) {
        if (*pIds == nMissingId)
            continue;
        for (const TemplateControl& c : s_template)
            if (c.nId == *pIds)
                rects.push_back(Rect{c.x, c.y, c.x + c.cx, c.y + c.cy});
    }
    return rects;
}

// SMS (7,7) 70 high, missed calls (7,85) 62, device status (7,155) 33, upgrade (7,193) 29.
void MeasureTemplate(GroupGeometry (&aGroups)[kLayoutGroupCount])
{
    for (size_t g = 0; g < kLayoutGroupCount; ++g) {
        const std::vector<Rect> rects = GroupRects(s_layoutGroupIds[g]);
        aGroups[g] = MeasureGroup(rects.data(), rects.size());
    }
}

TEST(DialogLayout, MeasuresTemplateGroupsFromAnchorToLastControl)
{
    GroupGeometry aGroups[kLayoutGroupCount];
    MeasureTemplate(aGroups);
    const struct {
        int32_t x, y, nHeight;
    } expected[kLayoutGroupCount] = {{7, 7, 70}, {7, 85, 62}, {7, 155, 33}, {7, 193, 29}};
    for (size_t g = 0; g < kLayoutGroupCount; ++g) {
        SCOPED_TRACE(g);
        EXPECT_EQ(aGroups[g].ptOrigin.x, expected[g].x);
        EXPECT_EQ(aGroups[g].ptOrigin.y, expected[g].y);
        // The last control counts, not the lowest: the signal icon 1013 ends at 177, 1014 at 188.
        EXPECT_EQ(aGroups[g].nHeight, expected[g].nHeight);
    }
}

TEST(DialogLayout, MissingAnchorHandsTheOriginToTheNextControl)
{
    const std::vector<Rect> rects = GroupRects(s_missedCallsGroupIds, 1005);
    const GroupGeometry geometry = MeasureGroup(rects.data(), rects.size());
    // 1018 takes the anchor's part: the block then moves by a control that exists.
    EXPECT_EQ(geometry.ptOrigin.x, 154);
    EXPECT_EQ(geometry.ptOrigin.y, 85);
    EXPECT_EQ(geometry.nHeight, 147 - 85);

    const GroupGeometry none = MeasureGroup(nullptr, 0);
    EXPECT_EQ(none.ptOrigin.x, 0);
    EXPECT_EQ(none.ptOrigin.y, 0);
    EXPECT_EQ(none.nHeight, 0);
}

TEST(DialogLayout, BlockOffsetLandsFirstControlOnTarget)
{
    const Point offset = BlockOffset(Rect{127, 7, 173, 15}, Point{145, 7});
    EXPECT_EQ(offset.x, 18);
    EXPECT_EQ(offset.y, 0);
    const Point back = BlockOffset(Rect{7, 155, 68, 163}, Point{7, 7});
    EXPECT_EQ(back.x, 0);
    EXPECT_EQ(back.y, -148);
}

struct PlanCase {
    const char* pszName;
    uint32_t nMask;
    bool bMissedCallsAnchor;
    bool bDeviceStatusAnchor;
    int32_t ay[kLayoutGroupCount];  // top of each group's block; every x stays 7
    int32_t nWindowHeight;
};

// Shown groups' heights: SMS 70 + 10, later groups + 7, bottom margin 18.
// One case a row, as the table reads best.
// clang-format off
constexpr PlanCase s_planCases[] = {
    {"all groups: the template's arrangement", 15, true, true, {7, 85, 155, 193}, 80 + 69 + 40 + 36 + 18},
    {"device status only: at the SMS origin", 4, true, true, {7, 7, 7, 47}, 33 + 28},
    {"nothing", 0, true, true, {7, 7, 7, 7}, 18},
    {"SMS and device status: status where the missed calls were", 5, true, true, {7, 85, 85, 125},
     70 + 10 + 33 + 7 + 18},
    {"missed calls hidden: status up, upgrade 7 below it", 13, true, true, {7, 85, 85, 125},
     70 + 10 + 33 + 7 + 29 + 7 + 18},
    {"missed calls first", 6, true, true, {7, 7, 76, 116}, 62 + 10 + 33 + 7 + 18},
    {"upgrade alone closes up to the top", 8, true, true, {7, 7, 7, 7}, 29 + 10 + 18},
    {"missed calls and upgrade", 10, true, true, {7, 7, 76, 76}, 62 + 10 + 29 + 7 + 18},
    {"no 1005: the status group stays where the SMS gap put it", 4, false, true, {7, 7, 76, 116}, 33 + 28},
    {"no 1010: the upgrade group stays below the status group", 8, true, false, {7, 7, 7, 47}, 29 + 10 + 18},
};
// clang-format on

class PlanLayoutTest : public testing::TestWithParam<PlanCase> {};

TEST_P(PlanLayoutTest, ArrangesGroupsAndWindowHeight)
{
    const PlanCase& c = GetParam();
    SCOPED_TRACE(c.pszName);
    GroupGeometry aGroups[kLayoutGroupCount];
    MeasureTemplate(aGroups);

    const LayoutPlan plan = PlanLayout(c.nMask, aGroups, c.bMissedCallsAnchor, c.bDeviceStatusAnchor);
    for (size_t g = 0; g < kLayoutGroupCount; ++g) {
        SCOPED_TRACE(g);
        EXPECT_EQ(plan.abShown[g], (c.nMask & (1u << g)) != 0);
        EXPECT_EQ(plan.aptOrigin[g].x, 7);
        EXPECT_EQ(plan.aptOrigin[g].y, c.ay[g]);
    }
    EXPECT_EQ(plan.nFullHeight, 70 + 62 + 33 + 29 + 41);
    EXPECT_EQ(plan.nWindowHeight, c.nWindowHeight);
}

INSTANTIATE_TEST_SUITE_P(Masks, PlanLayoutTest, testing::ValuesIn(s_planCases));

TEST(DialogLayout, ClosesGapsFromAnIndentedSmsOrigin)
{
    // Groups that do not share a left edge: a hidden group hands on its anchor's x too.
    const GroupGeometry aGroups[kLayoutGroupCount] = {{{12, 4}, 50}, {{20, 60}, 40}, {{30, 110}, 20}, {{40, 140}, 10}};
    const LayoutPlan plan = PlanLayout(4, aGroups);
    EXPECT_EQ(plan.aptOrigin[kGroupMissedCalls].x, 12);
    EXPECT_EQ(plan.aptOrigin[kGroupDeviceStatus].x, 12);
    EXPECT_EQ(plan.aptOrigin[kGroupDeviceStatus].y, 4);
    EXPECT_EQ(plan.aptOrigin[kGroupUpgrade].x, 12);
    EXPECT_EQ(plan.aptOrigin[kGroupUpgrade].y, 4 + 20 + 7);
}

TEST(DialogLayout, PlacesAtWorkAreaBottomRightKeepingWidth)
{
    const struct {
        const char* pszName;
        Rect rcWorkArea;
    } cases[] = {
        {"taskbar at the bottom", {0, 0, 1024, 738}},
        {"taskbar on the left", {40, 0, 1024, 768}},
        {"taskbar at the top", {0, 30, 1024, 768}},
        {"taskbar on the right", {0, 0, 984, 768}},
        {"primary screen right of another", {-1280, -200, -10, 800}},
    };
    const Rect rcWindow{100, 120, 100 + 312, 120 + 366};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszName);
        const Rect rc = PlaceBottomRight(c.rcWorkArea, rcWindow, 61);
        EXPECT_EQ(rc.right, c.rcWorkArea.right);
        EXPECT_EQ(rc.bottom, c.rcWorkArea.bottom);
        EXPECT_EQ(rc.Width(), 312);
        EXPECT_EQ(rc.Height(), 61);
    }
}

TEST(DialogLayout, ArrangesOnlyWhenTheMaskChanges)
{
    const struct {
        uint32_t nMask;
        bool bMeasure;
        bool bApply;
    } showings[] = {
        {15, true, true},  // the first showing arranges even the template's own mask
        {15, false, false}, {13, false, true}, {13, false, false},
        {4, false, true},   {0, false, true},  {15, false, true},
    };
    LayoutState state;
    for (size_t i = 0; i < std::size(showings); ++i) {
        SCOPED_TRACE(i);
        const LayoutStep step = TakeLayoutStep(state, showings[i].nMask);
        EXPECT_EQ(step.bMeasure, showings[i].bMeasure);
        EXPECT_EQ(step.bApply, showings[i].bApply);
        EXPECT_TRUE(state.bMeasured);
        EXPECT_EQ(state.nLastMask, showings[i].nMask);
    }

    LayoutState fresh;
    const LayoutStep first = TakeLayoutStep(fresh, 4);
    EXPECT_TRUE(first.bMeasure);
    EXPECT_TRUE(first.bApply);
}

TEST(LabelFit, MeasuresAtInitialWidthAndTakesTheMeasuredSize)
{
    // The label has already shrunk to 40 pixels; the next text is still wrapped at 174.
    const Rect rcMeasure = LabelMeasureRect(Rect{0, 0, 40, 13}, 174);
    EXPECT_EQ(rcMeasure.left, 0);
    EXPECT_EQ(rcMeasure.top, 0);
    EXPECT_EQ(rcMeasure.right, 174);
    EXPECT_EQ(rcMeasure.bottom, 13);

    const Size size = FittedLabelSize(Rect{0, 0, 203, 26});
    EXPECT_EQ(size.cx, 203);
    EXPECT_EQ(size.cy, 26);
}

}  // namespace

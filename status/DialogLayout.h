// Arithmetic of the status window's layout: which of its four control groups show, where
// each group's block goes so that hidden groups leave no gap, how tall the window becomes
// and where it sits. The window side (CDlgBase) measures and moves the real controls.
#pragma once
#include <cstddef>
#include <cstdint>

#include "status/LayoutRect.h"

// Groups in the order they stack; group g has mask bit 1 << g.
enum LayoutGroup : size_t {
    kGroupSms = 0,
    kGroupMissedCalls = 1,
    kGroupDeviceStatus = 2,
    kGroupUpgrade = 3,
};
constexpr size_t kLayoutGroupCount = 4;

// The template's own arrangement, which is also the mask before the first showing.
constexpr uint32_t kLayoutMaskAll = 15;

// Control ids of each group of the main window, ended by 0; the first is the anchor.
inline constexpr int32_t s_smsGroupIds[] = {1002, 1017, 1021, 1022, 1023, 1003, 1011, 1004, 0};
inline constexpr int32_t s_missedCallsGroupIds[] = {1005, 1018, 1024, 1031, 0};
inline constexpr int32_t s_deviceStatusGroupIds[] = {1010, 1013, 1001, 1020, 1012, 1014, 0};
inline constexpr int32_t s_upgradeGroupIds[] = {1015, 1016, 0};
inline constexpr const int32_t* s_layoutGroupIds[kLayoutGroupCount] = {
    s_smsGroupIds, s_missedCallsGroupIds, s_deviceStatusGroupIds, s_upgradeGroupIds};

// The SMS counter and the paging arrows move right once, before the groups are measured,
// to leave the counter room for its longer texts.
inline constexpr int32_t s_smsCounterIds[] = {1017, 1021, 1022, 0};
constexpr int32_t kSmsCounterShift = 18;

// Where a group's block starts and how tall it is, in client pixels.
struct GroupGeometry {
    Point ptOrigin;
    int32_t nHeight = 0;
};

// From the rectangles of the group's controls that exist, in list order: the first one's
// top-left corner, and the last one's bottom minus the first one's top. A missing anchor
// thus hands its part to the next control, the one the block moves by. No rectangle: all 0.
GroupGeometry MeasureGroup(const Rect* pRects, size_t nCount);

// The offset that moves a block whose first control is rcFirst so that this corner lands
// on ptTarget; every control of the block moves by it.
Point BlockOffset(const Rect& rcFirst, Point ptTarget);

// The outcome of arranging the groups for one mask.
struct LayoutPlan {
    bool abShown[kLayoutGroupCount] = {};
    Point aptOrigin[kLayoutGroupCount];  // where each group's block starts
    int32_t nFullHeight = 0;             // all four groups, the window's interim height
    int32_t nWindowHeight = 0;           // the window's final height
};

// Arranges the groups for nMask from their measured geometry. The hidden missed-calls and
// device-status groups pass their place on to the groups below them by the position of
// their anchors 1005 and 1010; where that anchor is missing, nothing moves in that step.
LayoutPlan PlanLayout(uint32_t nMask, const GroupGeometry (&aGroups)[kLayoutGroupCount],
                      bool bMissedCallsAnchor = true, bool bDeviceStatusAnchor = true);

// The window of rectangle rcWindow, kept at its width and given nHeight, with its right and
// bottom edges on those of the work area, wherever the taskbar is.
Rect PlaceBottomRight(const Rect& rcWorkArea, const Rect& rcWindow, int32_t nHeight);

// What the layout remembers between showings (once per process in the program).
struct LayoutState {
    bool bMeasured = false;
    uint32_t nLastMask = kLayoutMaskAll;
};

// The work one showing with nMask needs: the one-time shift and measurement, and whether
// the groups are arranged again (at the first showing always, later when the mask changed).
// Records both in state.
struct LayoutStep {
    bool bMeasure = false;
    bool bApply = false;
};
LayoutStep TakeLayoutStep(LayoutState& state, uint32_t nMask);

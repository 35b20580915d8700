// The portable half of CDlgBase (status/DlgBase.h).
// Arithmetic of the status window's layout: which of its four control groups show, where
// each group's block goes so that hidden groups leave no gap, how tall the window becomes
// and where it sits. The window side (CDlgBase) measures and moves the real controls.
#pragma once
#include <cstddef>
#include <cstdint>

#include "resources/resource.h"
#include "status/DpiScale.h"
#include "status/LayoutRect.h"

// Groups in the order they stack; group g has mask bit 1 << g.
enum LayoutGroup : size_t {
    kGroupSms = 0,
    kGroupMissedCalls = 1,
    kGroupDeviceStatus = 2,
    kGroupUpgrade = 3,
};
constexpr size_t kLayoutGroupCount = 4;

// Bits of the visible-group mask.
constexpr uint32_t kLayoutMaskSms = 1u << kGroupSms;
constexpr uint32_t kLayoutMaskMissedCalls = 1u << kGroupMissedCalls;
constexpr uint32_t kLayoutMaskDeviceStatus = 1u << kGroupDeviceStatus;
constexpr uint32_t kLayoutMaskUpgrade = 1u << kGroupUpgrade;
// The template's own arrangement, which is also the mask before the first showing.
constexpr uint32_t kLayoutMaskAll =
    kLayoutMaskSms | kLayoutMaskMissedCalls | kLayoutMaskDeviceStatus | kLayoutMaskUpgrade;

// Control ids of each group of the main window, ended by 0; the first is the anchor.
inline constexpr int32_t s_smsGroupIds[] = {IDC_SMS_TITLE, IDC_SMS_COUNTER, IDC_SMS_PREV,
                                            IDC_SMS_NEXT,  IDC_SMS_ICON,    IDC_SMS_SENDER,
                                            IDC_SMS_TIME,  IDC_SMS_TEXT,    0};
inline constexpr int32_t s_missedCallsGroupIds[] = {IDC_CALLS_TITLE, IDC_CALLS_COUNTER, IDC_CALLS_ICON, IDC_CALLS_LIST,
                                                    0};
inline constexpr int32_t s_deviceStatusGroupIds[] = {
    IDC_STATUS_TITLE, IDC_SIGNAL_ICON, IDC_STATUS_LINE, IDC_NO_CONNECTION, IDC_USERS, IDC_TECHNOLOGY, 0};
inline constexpr int32_t s_upgradeGroupIds[] = {IDC_UPDATE_TITLE, IDC_UPDATE_LINK, 0};
inline constexpr const int32_t* s_layoutGroupIds[kLayoutGroupCount] = {s_smsGroupIds, s_missedCallsGroupIds,
                                                                       s_deviceStatusGroupIds, s_upgradeGroupIds};

// The SMS counter and the paging arrows move right once, before the groups are measured,
// to leave the counter room for its longer texts (pixels at 96 DPI).
inline constexpr int32_t s_smsCounterIds[] = {IDC_SMS_COUNTER, IDC_SMS_PREV, IDC_SMS_NEXT, 0};
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
// The margins around and between the groups are those of 96 DPI scaled to nDpi.
LayoutPlan PlanLayout(uint32_t nMask, const GroupGeometry (&aGroups)[kLayoutGroupCount], bool bMissedCallsAnchor = true,
                      bool bDeviceStatusAnchor = true, uint32_t nDpi = kBaseDpi);

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
// The work a change of the window's DPI needs: groups once measured are measured again, as
// the controls have grown or shrunk, and arranged again for the last mask, as the margins
// have; groups not yet measured are measured at the first showing, at the DPI of then.
LayoutStep TakeDpiChangeStep(const LayoutState& state);

#include "status/DialogLayout.h"

namespace {

// The window's margins around the stacked groups at 96 DPI: above the first one, between
// two, below the last one.
constexpr int32_t kTopGap = 10;
constexpr int32_t kGroupGap = 7;
constexpr int32_t kBottomGap = 18;
// Interim height: the four groups and the gaps of the template's arrangement.
constexpr int32_t kFullHeightExtra = 41;

// The margins at one DPI.
struct Gaps {
    explicit Gaps(uint32_t nDpi)
        : nTop(ScaleToDpi(kTopGap, nDpi)), nGroup(ScaleToDpi(kGroupGap, nDpi)), nBottom(ScaleToDpi(kBottomGap, nDpi)),
          nFullHeightExtra(ScaleToDpi(kFullHeightExtra, nDpi))
    {
    }

    // Grows the height F by a shown group: the first one below the top margin, later ones
    // below a gap.
    int32_t AddGroupHeight(int32_t nHeight, int32_t nGroupHeight) const
    {
        return nHeight + nGroupHeight + (nHeight == 0 ? nTop : nGroup);
    }

    Point Below(Point pt, int32_t nHeight) const { return Point{pt.x, pt.y + nHeight + nGroup}; }

    int32_t nTop;
    int32_t nGroup;
    int32_t nBottom;
    int32_t nFullHeightExtra;
};

bool IsShown(uint32_t nMask, size_t nGroup)
{
    return (nMask & (1u << nGroup)) != 0;
}

}  // namespace

GroupGeometry MeasureGroup(const Rect* pRects, size_t nCount)
{
    GroupGeometry geometry;
    if (pRects == nullptr || nCount == 0)
        return geometry;
    geometry.ptOrigin = Point{pRects[0].left, pRects[0].top};
    geometry.nHeight = pRects[nCount - 1].bottom - pRects[0].top;
    return geometry;
}

Point BlockOffset(const Rect& rcFirst, Point ptTarget)
{
    return Point{ptTarget.x - rcFirst.left, ptTarget.y - rcFirst.top};
}

LayoutPlan PlanLayout(uint32_t nMask, const GroupGeometry (&aGroups)[kLayoutGroupCount], bool bMissedCallsAnchor,
                      bool bDeviceStatusAnchor, uint32_t nDpi)
{
    const Gaps gaps(nDpi);
    LayoutPlan plan;
    for (size_t g = 0; g < kLayoutGroupCount; ++g) {
        plan.aptOrigin[g] = aGroups[g].ptOrigin;
        plan.abShown[g] = IsShown(nMask, g);
        plan.nFullHeight += aGroups[g].nHeight;
    }
    plan.nFullHeight += gaps.nFullHeightExtra;

    const int32_t nMissedHeight = aGroups[kGroupMissedCalls].nHeight;
    const int32_t nStatusHeight = aGroups[kGroupDeviceStatus].nHeight;
    int32_t nHeight = 0;

    if (plan.abShown[kGroupSms]) {
        nHeight = aGroups[kGroupSms].nHeight + gaps.nTop;
    } else {
        // Everything below closes up from the SMS origin, as if the missed calls and the
        // device status were both shown.
        const Point pt = aGroups[kGroupSms].ptOrigin;
        plan.aptOrigin[kGroupMissedCalls] = pt;
        plan.aptOrigin[kGroupDeviceStatus] = gaps.Below(pt, nMissedHeight);
        plan.aptOrigin[kGroupUpgrade] = gaps.Below(plan.aptOrigin[kGroupDeviceStatus], nStatusHeight);
    }

    if (plan.abShown[kGroupMissedCalls]) {
        nHeight = gaps.AddGroupHeight(nHeight, nMissedHeight);
    } else if (bMissedCallsAnchor) {
        const Point pt = plan.aptOrigin[kGroupMissedCalls];
        plan.aptOrigin[kGroupDeviceStatus] = pt;
        plan.aptOrigin[kGroupUpgrade] = gaps.Below(pt, nStatusHeight);
    }

    if (plan.abShown[kGroupDeviceStatus])
        nHeight = gaps.AddGroupHeight(nHeight, nStatusHeight);
    else if (bDeviceStatusAnchor)
        plan.aptOrigin[kGroupUpgrade] = plan.aptOrigin[kGroupDeviceStatus];

    if (plan.abShown[kGroupUpgrade])
        nHeight = gaps.AddGroupHeight(nHeight, aGroups[kGroupUpgrade].nHeight);

    plan.nWindowHeight = nHeight + gaps.nBottom;
    return plan;
}

Rect PlaceBottomRight(const Rect& rcWorkArea, const Rect& rcWindow, int32_t nHeight)
{
    const int32_t nWidth = rcWindow.Width();
    return Rect{rcWorkArea.right - nWidth, rcWorkArea.bottom - nHeight, rcWorkArea.right, rcWorkArea.bottom};
}

LayoutStep TakeLayoutStep(LayoutState& state, uint32_t nMask)
{
    LayoutStep step;
    step.bMeasure = !state.bMeasured;
    state.bMeasured = true;
    // The first showing arranges whatever its mask: the template's height is in dialog units
    // and the gaps between the groups are in pixels, so with any font but the one the template
    // was drawn for, the window as made is not the window of mask 15.
    step.bApply = step.bMeasure || nMask != state.nLastMask;
    state.nLastMask = nMask;
    return step;
}

LayoutStep TakeDpiChangeStep(const LayoutState& state)
{
    LayoutStep step;
    step.bMeasure = state.bMeasured;
    step.bApply = state.bMeasured;
    return step;
}

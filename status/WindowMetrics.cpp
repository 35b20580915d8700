#include "status/WindowMetrics.h"

#include "status/DpiScale.h"

namespace {

// At 96 DPI.
constexpr int32_t kCallerColumn = 115;
constexpr int32_t kDateColumnMargin = 132;
constexpr Size kSignalImage = {32, 32};
constexpr Size kGroupImage = {32, 32};
constexpr Size kArrowImage = {6, 9};

Size Scaled(Size size, uint32_t nDpi)
{
    return Size{ScaleToDpi(size.cx, nDpi), ScaleToDpi(size.cy, nDpi)};
}

}  // namespace

MissedCallColumns MissedCallColumnWidths(int32_t nClientWidth, uint32_t nDpi)
{
    return MissedCallColumns{ScaleToDpi(kCallerColumn, nDpi), nClientWidth - ScaleToDpi(kDateColumnMargin, nDpi)};
}

Size LabelImageSize(uint32_t nIconId, uint32_t nDpi)
{
    if (nIconId >= IDI_SIGNAL_0 && nIconId <= IDI_SIGNAL_5)
        return Scaled(kSignalImage, nDpi);
    switch (nIconId) {
    case IDI_ENVELOPE:
    case IDI_HANDSET:
        return Scaled(kGroupImage, nDpi);
    case IDI_ARROW_PREV:
    case IDI_ARROW_NEXT:
        return Scaled(kArrowImage, nDpi);
    default:
        return Size{};
    }
}

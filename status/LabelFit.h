// The portable half of CStaticRegular::AutoResize (status/StaticRegular.h).
// The rules by which a label fits itself to its text: the heading font's weight, the
// rectangle the text is measured in, and the size the control then takes.
#pragma once
#include <cstdint>

#include "status/LayoutRect.h"

// Headings use their dialog font at this weight, all else of the font unchanged.
constexpr int32_t kSemiboldWeight = 600;

// The text is wrapped at the width the control had when it was attached, never at its
// current width, so a label that once shrank can grow back.
Rect LabelMeasureRect(const Rect& rcClient, int32_t nInitialWidth);

// The control's new size: exactly the measured text, however wide its widest line (a single
// word longer than the wrap width makes the control that wide).
Size FittedLabelSize(const Rect& rcMeasured);

#include "status/LabelFit.h"

Rect LabelMeasureRect(const Rect& rcClient, int32_t nInitialWidth)
{
    return Rect{0, 0, nInitialWidth, rcClient.Height()};
}

Size FittedLabelSize(const Rect& rcMeasured)
{
    return Size{rcMeasured.Width(), rcMeasured.Height()};
}

// A section heading: a fitted label in the semibold variant of its dialog font.
#pragma once
#include "status/StaticRegular.h"

class CStaticBold : public CStaticRegular {
public:
    CStaticBold() { m_bBold = 1; }
    ~CStaticBold() override = default;
};

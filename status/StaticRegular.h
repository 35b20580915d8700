// A text label that fits itself to its text when the dialog binds it, and again whenever its
// owner asks after changing the text; optionally in a semibold variant of its dialog font.
// Its rules, without a window, are status/LabelFit.h.
#pragma once
#include <windows.h>

#include <cstdint>

#include "framework/Static.h"

class CStaticRegular : public CStatic {
public:
    CStaticRegular() = default;
    ~CStaticRegular() override = default;

    // Fits the control to its current text, wrapped at words at m_nInitialWidth; the control
    // keeps its place. On failure the control keeps its size (logged at level 2).
    void AutoResize();

protected:
    // Records the wrap width, derives the semibold font for a bold label, then fits.
    void PreSubclassWindow() override;

    int32_t m_bBold = 0;
    int32_t m_nInitialWidth = 0;  // client width when bound, in pixels
};

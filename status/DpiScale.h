// Pixel sizes are written for 96 DPI and scaled to the DPI of the window that uses them.
#pragma once
#include <cstdint>

// The DPI at which a pixel constant of the code is meant as written.
constexpr uint32_t kBaseDpi = 96;

// nPixels at 96 DPI, at nDpi: rounded to the nearest pixel, halves away from zero, as the
// system's MulDiv rounds, so that the windows' own MulDiv gives the same sizes. At 96 DPI
// every value is its own.
constexpr int32_t ScaleToDpi(int32_t nPixels, uint32_t nDpi)
{
    const int64_t nProduct = static_cast<int64_t>(nPixels) * nDpi;
    const int64_t nHalf = kBaseDpi / 2;
    return static_cast<int32_t>(nProduct >= 0 ? (nProduct + nHalf) / kBaseDpi : -((-nProduct + nHalf) / kBaseDpi));
}

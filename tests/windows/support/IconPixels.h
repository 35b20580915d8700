// An icon's pixels, colour and mask, for comparing images whatever their handles.
#pragma once
#include <windows.h>

#include <cstdint>
#include <vector>

// Width, height and the 32-bit pixels of the colour image, then the same of the mask;
// empty for no icon.
std::vector<uint32_t> IconPixels(HICON hIcon);

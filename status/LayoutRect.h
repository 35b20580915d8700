// Plain geometry for the layout arithmetic: pixels, no window system behind it.
#pragma once
#include <cstdint>

struct Point {
    int32_t x = 0;
    int32_t y = 0;
};

struct Size {
    int32_t cx = 0;
    int32_t cy = 0;
};

// Edges as the platform keeps them: right and bottom lie just outside the area.
struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
};

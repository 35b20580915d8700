#include "tests/windows/support/IconPixels.h"

std::vector<uint32_t> IconPixels(HICON hIcon)
{
    std::vector<uint32_t> pixels;
    ICONINFO info = {};
    if (hIcon == nullptr || !GetIconInfo(hIcon, &info))
        return pixels;
    HDC hDC = GetDC(nullptr);
    for (HBITMAP hBitmap : {info.hbmColor, info.hbmMask}) {
        BITMAP bm = {};
        if (hBitmap == nullptr || !GetObjectW(hBitmap, sizeof(bm), &bm))
            continue;
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bi.bmiHeader.biWidth = bm.bmWidth;
        bi.bmiHeader.biHeight = -bm.bmHeight;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        std::vector<uint32_t> bits(static_cast<size_t>(bm.bmWidth) * bm.bmHeight);
        GetDIBits(hDC, hBitmap, 0, bm.bmHeight, bits.data(), &bi, DIB_RGB_COLORS);
        pixels.push_back(static_cast<uint32_t>(bm.bmWidth));
        pixels.push_back(static_cast<uint32_t>(bm.bmHeight));
        pixels.insert(pixels.end(), bits.begin(), bits.end());
    }
    ReleaseDC(nullptr, hDC);
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
    if (info.hbmMask)
        DeleteObject(info.hbmMask);
    return pixels;
}

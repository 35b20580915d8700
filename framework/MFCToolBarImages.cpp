#include "framework/MFCToolBarImages.h"

#include <cstdint>
#include <vector>

#include "app/ResourceModule.h"

namespace {
// The strip's background, as 0x00RRGGBB (the byte order of a 32-bit DIB pixel).
constexpr uint32_t kTransparentPixel = 0x00C0C0C0;

BITMAPINFO TopDown32(LONG nWidth, LONG nHeight)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = nWidth;
    info.bmiHeader.biHeight = -nHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}
}  // namespace

void CMFCToolBarImages::SetImageSize(SIZE sizeImage)
{
    m_sizeImage = sizeImage;
}

bool CMFCToolBarImages::Load(UINT nResId)
{
    m_bitmap.Reset();
    m_sizeStrip = SIZE{0, 0};
    m_nCount = 0;
    XBitmap bitmap(static_cast<HBITMAP>(
        LoadImageW(AfxGetResourceHandle(), MAKEINTRESOURCEW(nResId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (!bitmap)
        return false;
    BITMAP bm = {};
    if (!GetObjectW(bitmap.Get(), sizeof(bm), &bm))
        return false;
    if (m_sizeImage.cx <= 0 || m_sizeImage.cy <= 0 || bm.bmHeight < m_sizeImage.cy || bm.bmWidth < m_sizeImage.cx) {
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    m_bitmap = std::move(bitmap);
    m_sizeStrip = SIZE{bm.bmWidth, bm.bmHeight};
    m_nCount = bm.bmWidth / m_sizeImage.cx;
    return true;
}

HICON CMFCToolBarImages::ExtractIcon(int nIndex) const
{
    if (nIndex < 0 || nIndex >= m_nCount) {
        SetLastError(ERROR_INVALID_INDEX);
        return nullptr;
    }
    const LONG cx = m_sizeImage.cx;
    const LONG cy = m_sizeImage.cy;

    std::vector<uint32_t> strip(static_cast<size_t>(m_sizeStrip.cx) * m_sizeStrip.cy);
    BITMAPINFO stripInfo = TopDown32(m_sizeStrip.cx, m_sizeStrip.cy);
    HDC hScreen = GetDC(nullptr);
    const int nRows = GetDIBits(hScreen, m_bitmap.Get(), 0, static_cast<UINT>(m_sizeStrip.cy), strip.data(), &stripInfo,
                                DIB_RGB_COLORS);
    ReleaseDC(nullptr, hScreen);
    if (nRows != m_sizeStrip.cy)
        return nullptr;

    // Colour with alpha, and the mask that older drawing paths use: set where transparent.
    BITMAPINFO iconInfo = TopDown32(cx, cy);
    void* pvColor = nullptr;
    XBitmap color(CreateDIBSection(nullptr, &iconInfo, DIB_RGB_COLORS, &pvColor, nullptr, 0));
    if (!color || pvColor == nullptr)
        return nullptr;
    const size_t nMaskStride = static_cast<size_t>((cx + 15) / 16) * 2;  // rows of whole WORDs
    std::vector<BYTE> maskBits(nMaskStride * cy, 0);
    auto* pColor = static_cast<uint32_t*>(pvColor);
    for (LONG y = 0; y < cy; ++y) {
        const uint32_t* pSource =
            strip.data() + static_cast<size_t>(y) * m_sizeStrip.cx + static_cast<size_t>(nIndex) * cx;
        for (LONG x = 0; x < cx; ++x) {
            const uint32_t nPixel = pSource[x] & 0x00FFFFFF;
            if (nPixel == kTransparentPixel) {
                pColor[y * cx + x] = 0;
                maskBits[y * nMaskStride + x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
            } else {
                pColor[y * cx + x] = nPixel | 0xFF000000;
            }
        }
    }
    GdiFlush();
    XBitmap mask(CreateBitmap(cx, cy, 1, 1, maskBits.data()));
    if (!mask)
        return nullptr;
    ICONINFO icon = {};
    icon.fIcon = TRUE;
    icon.hbmMask = mask.Get();
    icon.hbmColor = color.Get();
    return CreateIconIndirect(&icon);
}

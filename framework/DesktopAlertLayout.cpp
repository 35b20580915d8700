#include "framework/DesktopAlertLayout.h"

#include <algorithm>

#include "status/DpiScale.h"

namespace {

// The popup at 96 DPI.
constexpr int32_t kBorder = 1;
constexpr int32_t kSmallCaptionHeight = 20;
constexpr int32_t kCaptionHeight = 26;
constexpr int32_t kCaptionMargin = 4;
constexpr int32_t kCloseBox = 16;
constexpr int32_t kCloseGlyph = 8;
constexpr int32_t kPadding = 10;
constexpr int32_t kIcon = 32;
constexpr int32_t kIconGap = 10;
constexpr int32_t kTextGap = 6;
constexpr int32_t kMinTextWidth = 160;
constexpr int32_t kMaxTextWidth = 260;
// Enough for an SMS's sender and time and a few lines of its body.
constexpr int32_t kMaxTextLines = 10;

constexpr wchar_t kEllipsis[] = L"\u2026";

Rect RectAt(int32_t x, int32_t y, int32_t cx, int32_t cy)
{
    return Rect{x, y, x + cx, y + cy};
}

bool IsHighSurrogate(wchar_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}

bool IsTrailingBlank(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
}

// The first nChars of the text with an ellipsis after them.
std::wstring Shortened(const std::wstring& strText, size_t nChars)
{
    if (nChars > 0 && IsHighSurrogate(strText[nChars - 1]))
        --nChars;
    while (nChars > 0 && IsTrailingBlank(strText[nChars - 1]))
        --nChars;
    return strText.substr(0, nChars) + kEllipsis;
}

}  // namespace

DesktopAlertMetrics ScaleDesktopAlertMetrics(uint32_t nDpi, bool bSmallCaption, int32_t nSmallIconAtDpi)
{
    DesktopAlertMetrics m;
    m.nBorder = std::max(1, ScaleToDpi(kBorder, nDpi));
    m.nCaptionHeight = ScaleToDpi(bSmallCaption ? kSmallCaptionHeight : kCaptionHeight, nDpi);
    m.nCaptionMargin = ScaleToDpi(kCaptionMargin, nDpi);
    m.nSmallIcon = std::min(nSmallIconAtDpi, m.nCaptionHeight);
    m.nCloseBox = ScaleToDpi(kCloseBox, nDpi);
    m.nCloseGlyph = ScaleToDpi(kCloseGlyph, nDpi);
    m.nPadding = ScaleToDpi(kPadding, nDpi);
    m.nIcon = ScaleToDpi(kIcon, nDpi);
    m.nIconGap = ScaleToDpi(kIconGap, nDpi);
    m.nTextGap = ScaleToDpi(kTextGap, nDpi);
    m.nMinTextWidth = ScaleToDpi(kMinTextWidth, nDpi);
    m.nMaxTextWidth = ScaleToDpi(kMaxTextWidth, nDpi);
    m.nMaxTextLines = kMaxTextLines;
    return m;
}

DesktopAlertParts ArrangeDesktopAlert(const DesktopAlertMetrics& m, bool bIcon, Size szText, Size szLink)
{
    DesktopAlertParts parts;
    const int32_t nColumnWidth = std::clamp(std::max(szText.cx, szLink.cx), m.nMinTextWidth, m.nMaxTextWidth);
    const bool bBoth = szText.cy > 0 && szLink.cy > 0;
    const int32_t nTextsHeight = szText.cy + szLink.cy + (bBoth ? m.nTextGap : 0);
    const int32_t nBodyHeight = std::max(m.nIcon, nTextsHeight);
    const int32_t nWidth = 2 * m.nBorder + 2 * m.nPadding + m.nIcon + m.nIconGap + nColumnWidth;
    const int32_t nHeight = 2 * m.nBorder + m.nCaptionHeight + 2 * m.nPadding + nBodyHeight;
    parts.szWindow = Size{nWidth, nHeight};

    // Caption: small icon, title, close button.
    parts.rcCaption = Rect{m.nBorder, m.nBorder, nWidth - m.nBorder, m.nBorder + m.nCaptionHeight};
    const int32_t nCaptionMiddle = parts.rcCaption.top + m.nCaptionHeight / 2;
    parts.rcSmallIcon =
        RectAt(parts.rcCaption.left + m.nCaptionMargin, nCaptionMiddle - m.nSmallIcon / 2, m.nSmallIcon, m.nSmallIcon);
    parts.rcClose = RectAt(parts.rcCaption.right - m.nCaptionMargin / 2 - m.nCloseBox, nCaptionMiddle - m.nCloseBox / 2,
                           m.nCloseBox, m.nCloseBox);
    const int32_t nGlyphInset = (m.nCloseBox - m.nCloseGlyph) / 2;
    parts.rcCloseGlyph =
        RectAt(parts.rcClose.left + nGlyphInset, parts.rcClose.top + nGlyphInset, m.nCloseGlyph, m.nCloseGlyph);
    parts.rcTitle = Rect{parts.rcSmallIcon.right + m.nCaptionMargin, parts.rcCaption.top,
                         parts.rcClose.left - m.nCaptionMargin, parts.rcCaption.bottom};

    // Body: the icon at the left, the texts beside it, centred on the icon when shorter.
    const int32_t nBodyTop = parts.rcCaption.bottom + m.nPadding;
    const int32_t nIconLeft = m.nBorder + m.nPadding;
    if (bIcon)
        parts.rcIcon = RectAt(nIconLeft, nBodyTop, m.nIcon, m.nIcon);
    const int32_t nColumnLeft = nIconLeft + m.nIcon + m.nIconGap;
    int32_t y = nBodyTop + (nBodyHeight - nTextsHeight) / 2;
    if (szText.cy > 0) {
        parts.rcText = RectAt(nColumnLeft, y, nColumnWidth, szText.cy);
        y = parts.rcText.bottom + (bBoth ? m.nTextGap : 0);
    }
    if (szLink.cy > 0)
        parts.rcLink = RectAt(nColumnLeft, y, std::min(szLink.cx, nColumnWidth), szLink.cy);
    return parts;
}

Rect PlaceDesktopAlert(const Rect& rcWork, Size szWindow, Point ptRequested)
{
    Point pt = ptRequested;
    if (pt.x == -1 && pt.y == -1)
        pt = Point{rcWork.right - szWindow.cx, rcWork.bottom - szWindow.cy};
    pt.x = std::max(std::min(pt.x, rcWork.right - szWindow.cx), rcWork.left);
    pt.y = std::max(std::min(pt.y, rcWork.bottom - szWindow.cy), rcWork.top);
    return RectAt(pt.x, pt.y, szWindow.cx, szWindow.cy);
}

int32_t SlideHeight(int32_t nFullHeight, int32_t nStep, int32_t nSteps)
{
    if (nSteps <= 0 || nStep >= nSteps)
        return nFullHeight;
    if (nStep <= 0)
        return 0;
    return static_cast<int32_t>((static_cast<int64_t>(nFullHeight) * nStep + nSteps - 1) / nSteps);
}

std::wstring CutTextToFit(const std::wstring& strText, const std::function<bool(const std::wstring&)>& fits)
{
    if (fits(strText))
        return strText;
    // The longest beginning that fits: fits(Shortened(n)) holds at nLow, fails at nHigh.
    size_t nLow = 0;
    size_t nHigh = strText.size();
    if (!fits(Shortened(strText, 0)))
        return kEllipsis;
    while (nHigh - nLow > 1) {
        const size_t nMiddle = nLow + (nHigh - nLow) / 2;
        if (fits(Shortened(strText, nMiddle)))
            nLow = nMiddle;
        else
            nHigh = nMiddle;
    }
    return Shortened(strText, nLow);
}

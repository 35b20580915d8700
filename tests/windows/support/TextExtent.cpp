#include "tests/windows/support/TextExtent.h"

namespace {

// Runs measure with the label's font selected into a device context of the label.
template <typename Measure>
void WithLabelFont(HWND hLabel, Measure measure)
{
    HDC hDC = GetDC(hLabel);
    HGDIOBJ hPrevious = SelectObject(hDC, reinterpret_cast<HFONT>(SendMessageW(hLabel, WM_GETFONT, 0, 0)));
    measure(hDC);
    SelectObject(hDC, hPrevious);
    ReleaseDC(hLabel, hDC);
}

}  // namespace

SIZE OneLineExtent(HWND hLabel, const std::wstring& strText)
{
    SIZE size = {};
    WithLabelFont(hLabel, [&](HDC hDC) {
        GetTextExtentPoint32W(hDC, strText.c_str(), static_cast<int>(strText.size()), &size);
        TEXTMETRICW metrics = {};
        GetTextMetricsW(hDC, &metrics);
        size.cy = metrics.tmHeight;
    });
    return size;
}

SIZE WrappedExtent(HWND hLabel, const std::wstring& strText, int nWidth)
{
    RECT rc = {0, 0, nWidth, 0};
    WithLabelFont(hLabel, [&](HDC hDC) {
        DrawTextW(hDC, strText.c_str(), static_cast<int>(strText.size()), &rc,
                  DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
    });
    return {rc.right - rc.left, rc.bottom - rc.top};
}

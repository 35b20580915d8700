#include "tests/windows/support/TextExtent.h"

SIZE OneLineExtent(HWND hLabel, const std::wstring& strText)
{
    HDC hDC = GetDC(hLabel);
    HGDIOBJ hPrevious = SelectObject(hDC, reinterpret_cast<HFONT>(SendMessageW(hLabel, WM_GETFONT, 0, 0)));
    SIZE size = {};
    GetTextExtentPoint32W(hDC, strText.c_str(), static_cast<int>(strText.size()), &size);
    TEXTMETRICW metrics = {};
    GetTextMetricsW(hDC, &metrics);
    SelectObject(hDC, hPrevious);
    ReleaseDC(hLabel, hDC);
    size.cy = metrics.tmHeight;
    return size;
}

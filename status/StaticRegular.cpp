#include "status/StaticRegular.h"

#include <vector>

#include "app/LastError.h"
#include "app/Log.h"
#include "framework/ClientDC.h"
#include "status/LabelFit.h"

namespace {

Rect ToRect(const RECT& rc)
{
    return Rect{rc.left, rc.top, rc.right, rc.bottom};
}

}  // namespace

void CStaticRegular::PreSubclassWindow()
{
    RECT rcClient = {};
    if (GetClientRect(&rcClient))
        m_nInitialWidth = rcClient.right - rcClient.left;

    if (m_bBold) {
        HFONT hFont = GetFont();
        if (!hFont) {
            XLog(2, L"CStaticRegular::PreSubclassWindow, GetFont: 0x%x.", XGetLastError());
            return;
        }
        LOGFONTW logFont = {};
        if (GetObjectW(hFont, sizeof(logFont), &logFont) != static_cast<int>(sizeof(logFont))) {
            XLog(2, L"CStaticRegular::PreSubclassWindow, GetLogFont: NOK.");
            return;
        }
        logFont.lfWeight = kSemiboldWeight;
        // Made once per control and never deleted: the label uses it until the process ends.
        HFONT hBold = CreateFontIndirectW(&logFont);
        if (!hBold) {
            XLog(2, L"CStaticRegular::PreSubclassWindow, CreateFontIndirect: 0x%x.", XGetLastError());
            return;
        }
        SetFont(hBold, true);
    }

    AutoResize();
    CStatic::PreSubclassWindow();
}

void CStaticRegular::AutoResize()
{
    HFONT hFont = GetFont();
    if (!hFont) {
        XLog(2, L"CStaticRegular::PreSubclassWindow AutoResize, GetFont: 0x%x.", XGetLastError());
        ::InvalidateRect(m_hWnd, nullptr, TRUE);
        return;
    }
    {
        CClientDC dc(m_hWnd);
        if (!dc.Get()) {
            XLog(2, L"CStaticRegular::PreSubclassWindow AutoResize, GetDC: 0x%x.", XGetLastError());
        } else {
            RECT rcClient = {};
            if (dc.Select(hFont) && GetClientRect(&rcClient)) {
                const Rect rcMeasure = LabelMeasureRect(ToRect(rcClient), m_nInitialWidth);
                RECT rcText = {rcMeasure.left, rcMeasure.top, rcMeasure.right, rcMeasure.bottom};
                const std::wstring strText = GetWindowText();
                // An empty text measures as nothing, which DrawText also reports as 0.
                if (DrawTextW(dc.Get(), strText.c_str(), static_cast<int>(strText.size()), &rcText,
                              DT_CALCRECT | DT_WORDBREAK) != 0 ||
                    strText.empty()) {
                    const Size size = FittedLabelSize(ToRect(rcText));
                    SetWindowPos(nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
                }
            }
        }
    }
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

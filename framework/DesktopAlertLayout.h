// Arithmetic of the desktop-alert popup, without a window system: its pixel sizes at a
// DPI, where its parts go, where it opens, how far it has slid into view, and how a text
// too long for it is cut. The window (CMFCDesktopAlertWnd) measures its texts and applies
// the results.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "status/LayoutRect.h"

// The popup's pixel sizes at one DPI: 96-DPI values scaled by dpi / 96.
struct DesktopAlertMetrics {
    int32_t nBorder = 0;
    int32_t nCaptionHeight = 0;
    int32_t nCaptionMargin = 0;  // left of the small icon, and between the caption's parts
    int32_t nSmallIcon = 0;      // the small icon in the caption
    int32_t nCloseBox = 0;       // the close button, square
    int32_t nCloseGlyph = 0;     // the cross inside it, square
    int32_t nPadding = 0;        // around the body
    int32_t nIcon = 0;           // the kind's icon
    int32_t nIconGap = 0;        // between the icon and the texts
    int32_t nTextGap = 0;        // between the plain text and the link
    int32_t nMinTextWidth = 0;
    int32_t nMaxTextWidth = 0;
    int32_t nMaxTextLines = 0;  // the texts together, in lines of the body's font
};

// nSmallIconAtDpi: the system's small-icon size at that DPI.
DesktopAlertMetrics ScaleDesktopAlertMetrics(uint32_t nDpi, bool bSmallCaption, int32_t nSmallIconAtDpi);

// Where the parts go, in client pixels of a window of szWindow. A part that is not there
// (no icon, no plain text, no link) has an empty rectangle.
struct DesktopAlertParts {
    Size szWindow;
    Rect rcCaption;
    Rect rcSmallIcon;
    Rect rcTitle;
    Rect rcClose;
    Rect rcCloseGlyph;
    Rect rcIcon;
    Rect rcText;
    Rect rcLink;
};

// Arranges the popup around its measured texts (each already wrapped to at most
// nMaxTextWidth and cut to the height it may have; an empty text has size 0).
DesktopAlertParts ArrangeDesktopAlert(const DesktopAlertMetrics& metrics, bool bIcon, Size szText, Size szLink);

// The window rectangle of a popup of szWindow in the work area rcWork: at ptRequested, its
// top-left corner, moved as little as needed to lie inside the work area; (-1, -1) is the
// default place, the work area's lower-right corner. A popup larger than the work area
// keeps its top-left corner in it.
Rect PlaceDesktopAlert(const Rect& rcWork, Size szWindow, Point ptRequested);

// The visible height of a popup of nFullHeight after nStep of nSteps slide steps: it grows
// from the bottom edge and is whole at the last step.
int32_t SlideHeight(int32_t nFullHeight, int32_t nStep, int32_t nSteps);

// The text, or its longest beginning that fits with an ellipsis after it (trailing blanks
// and line breaks dropped, no UTF-16 pair split) when the whole text does not fit.
// fits() tells whether a candidate fits; the ellipsis alone is the last resort.
std::wstring CutTextToFit(const std::wstring& strText, const std::function<bool(const std::wstring&)>& fits);

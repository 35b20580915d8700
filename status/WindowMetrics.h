// The portable half of the status window's DPI handling (CDlgMain): the sizes that its
// template does not scale by itself, the missed-call list's columns and the images of its
// icon labels, at the window's DPI.
#pragma once
#include <cstdint>

#include "resources/resource.h"
#include "status/LayoutRect.h"

// The missed-call list's column widths in pixels.
struct MissedCallColumns {
    int32_t nCaller = 0;
    int32_t nDate = 0;
};

// For a list of client width nClientWidth (its vertical scroll bar shown): the caller 115
// pixels, the date the client width less 132 (both at 96 DPI, scaled to nDpi).
MissedCallColumns MissedCallColumnWidths(int32_t nClientWidth, uint32_t nDpi);

// The size at which an icon label shows image nIconId at nDpi: its real size scaled (the
// signal images, the envelope and the handset 32 by 32, the paging arrows 6 by 9). Ids of
// no icon label give 0 by 0.
Size LabelImageSize(uint32_t nIconId, uint32_t nDpi);

// The icon labels whose images the template names; the window loads them again at each DPI.
struct TemplateImage {
    int32_t nControlId;
    uint32_t nIconId;
};
inline constexpr TemplateImage s_templateImages[] = {
    {IDC_SMS_PREV, IDI_ARROW_PREV},
    {IDC_SMS_NEXT, IDI_ARROW_NEXT},
    {IDC_SMS_ICON, IDI_ENVELOPE},
    {IDC_CALLS_ICON, IDI_HANDSET},
};

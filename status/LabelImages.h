// The images of the status window's icon labels at one DPI: loaded from the current
// resource module at their sizes for that DPI (status/WindowMetrics.h), once each, and
// freed with the set. A label does not own its image, so a new DPI takes a new set and the
// old one is kept until every label shows an image of the new one.
#pragma once
#include <windows.h>

#include <cstdint>
#include <map>

#include "app/SysWrappers.h"
#include "status/DpiScale.h"

class CLabelImages {
public:
    explicit CLabelImages(uint32_t nDpi = kBaseDpi) : m_nDpi(nDpi) {}
    CLabelImages(CLabelImages&&) = default;
    CLabelImages& operator=(CLabelImages&&) = default;

    uint32_t Dpi() const { return m_nDpi; }
    // The image of icon nIconId; null for 0, an id of no icon label or a missing icon.
    HICON Get(uint32_t nIconId);
    // The icon id of an image of this set; 0 for any other handle.
    uint32_t IdOf(HICON hIcon) const;

private:
    uint32_t m_nDpi;
    std::map<uint32_t, XIcon> m_icons;
};

#include "status/LabelImages.h"

#include "app/ResourceModule.h"
#include "status/WindowMetrics.h"

HICON CLabelImages::Get(uint32_t nIconId)
{
    const Size size = LabelImageSize(nIconId, m_nDpi);
    if (size.cx <= 0 || size.cy <= 0)
        return nullptr;
    XIcon& icon = m_icons[nIconId];
    if (!icon)
        icon.Reset(static_cast<HICON>(LoadImageW(AfxGetResourceHandle(), MAKEINTRESOURCEW(nIconId), IMAGE_ICON, size.cx,
                                                 size.cy, LR_DEFAULTCOLOR)));
    return icon.Get();
}

uint32_t CLabelImages::IdOf(HICON hIcon) const
{
    for (const auto& [nId, icon] : m_icons)
        if (hIcon != nullptr && icon.Get() == hIcon)
            return nId;
    return 0;
}

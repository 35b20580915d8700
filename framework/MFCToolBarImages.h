// A strip of equally sized images side by side in one bitmap resource, from which single
// images are cut as icons. Pixels of the strip's background colour, light grey
// RGB(192, 192, 192), are transparent in the icons.
#pragma once
#include <windows.h>

#include "app/SysWrappers.h"

class CMFCToolBarImages {
public:
    CMFCToolBarImages() = default;
    CMFCToolBarImages(const CMFCToolBarImages&) = delete;
    CMFCToolBarImages& operator=(const CMFCToolBarImages&) = delete;

    // The size of one image; set before Load.
    void SetImageSize(SIZE sizeImage);

    // Loads bitmap resource nResId from the current resource module (AfxGetResourceHandle)
    // in place of what the strip held. False, with the strip empty, if the bitmap is
    // missing (the system's last error) or too small for one image (ERROR_INVALID_DATA).
    bool Load(UINT nResId);
    // Whole images in the strip; 0 when it is empty.
    int GetCount() const { return m_nCount; }
    // A new icon of image nIndex, the caller's to give back (DestroyIcon); null for an
    // index outside the strip (ERROR_INVALID_INDEX) or when it cannot be made.
    HICON ExtractIcon(int nIndex) const;

private:
    XBitmap m_bitmap;
    SIZE m_sizeImage = {16, 15};
    SIZE m_sizeStrip = {0, 0};
    int m_nCount = 0;
};

#include "app/ResourceModule.h"

namespace {
HINSTANCE s_hResource = nullptr;
}  // namespace

HINSTANCE AfxGetInstanceHandle()
{
    // The executable's handle cannot go away or fail while the process runs.
    return GetModuleHandleW(nullptr);
}

HINSTANCE AfxGetResourceHandle()
{
    return s_hResource ? s_hResource : AfxGetInstanceHandle();
}

void AfxSetResourceHandle(HINSTANCE hResource)
{
    s_hResource = hResource;
}

#include "app/FileVersionSource.h"

#include "app/SysWrappers.h"

bool CFileVersionSource::GetProductVersion(CProductVersion& version)
{
    VS_FIXEDFILEINFO info;
    if (!XGetFileVersion(nullptr, &info))
        return false;
    version = {HIWORD(info.dwProductVersionMS), LOWORD(info.dwProductVersionMS), HIWORD(info.dwProductVersionLS),
               LOWORD(info.dwProductVersionLS)};
    return true;
}

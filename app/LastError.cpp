#include "app/LastError.h"

#ifdef _WIN32
#include <windows.h>

uint32_t XGetLastError()
{
    return GetLastError();
}
void XSetLastError(uint32_t nError)
{
    SetLastError(nError);
}
#else
namespace {
thread_local uint32_t s_nLastError = 0;
}

uint32_t XGetLastError()
{
    return s_nLastError;
}
void XSetLastError(uint32_t nError)
{
    s_nLastError = nError;
}
#endif

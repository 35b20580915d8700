// The owner of a handle of the internet library (a session, a connection, a request).
#pragma once
#include <windows.h>

#include <wininet.h>

#include "framework/Handle.h"

// Closes an internet handle; keeps the last-error value and logs a failure, as the other
// release wrappers do.
void XInternetCloseHandle(HINTERNET hInternet);

struct CInternetHandleTraits {
    using Handle = HINTERNET;
    static bool IsValid(HINTERNET h) { return h != nullptr; }
    static void Close(HINTERNET h) { XInternetCloseHandle(h); }
};
using CInternetHandle = COwnedHandle<CInternetHandleTraits>;

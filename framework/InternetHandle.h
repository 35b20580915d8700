// The owner of a handle of the internet library (a session, a connection, a request).
#pragma once
#include <windows.h>

#include <wininet.h>

#include "app/SysWrappers.h"

// Closes an internet handle; keeps the last-error value and logs a failure, as the other
// release wrappers do.
void XInternetCloseHandle(HINTERNET hInternet);

using CInternetHandle = XOwned<HINTERNET, &XInternetCloseHandle>;

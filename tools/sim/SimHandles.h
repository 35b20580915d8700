// Owners of the simulator's sockets and kernel handles (events, files): each closes its handle
// when it goes, keeping the caller's error codes, as the program's own release wrappers do.
#pragma once
#include <windows.h>
#include <winsock2.h>

#include "app/SysWrappers.h"

inline void CloseSimSocket(SOCKET hSocket)
{
    const int nError = WSAGetLastError();
    closesocket(hSocket);
    WSASetLastError(nError);
}

inline void CloseSimHandle(HANDLE hHandle)
{
    const DWORD nError = GetLastError();
    CloseHandle(hHandle);
    SetLastError(nError);
}

using CSimSocket = XOwned<SOCKET, &CloseSimSocket, INVALID_SOCKET>;
// WSA events are kernel events like the simulator's own, and files.
using CSimHandle = XOwned<HANDLE, &CloseSimHandle>;

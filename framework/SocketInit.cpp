#include "framework/SocketInit.h"

#include <winsock2.h>

#include <cstdlib>

namespace {
bool s_bStarted = false;

void CleanUpSockets()
{
    WSACleanup();
}
}  // namespace

bool AfxSocketInit()
{
    if (s_bStarted)
        return true;
    WSADATA data = {};
    if (WSAStartup(MAKEWORD(1, 1), &data) != 0)
        return false;
    if (LOBYTE(data.wVersion) != 1 || HIBYTE(data.wVersion) != 1) {
        WSACleanup();
        return false;
    }
    s_bStarted = true;
    std::atexit(&CleanUpSockets);
    return true;
}

// The calling thread's last-error value. On Windows it is GetLastError/SetLastError;
// natively a thread-local stand-in, so portable code keeps the same contract.
#pragma once
#include <cstdint>

uint32_t XGetLastError();
void XSetLastError(uint32_t nError);

// Runs this thread's messages as the program's loop does (each offered to the framework's
// pre-translation first) until done() holds or the time is up; false on time-out.
#pragma once
#include <windows.h>

#include <functional>

bool PumpUntil(const std::function<bool()>& done, DWORD nTimeoutMs = 5000);

// This thread's messages, run as the application's loop runs them (each offered to the bound
// windows' PreTranslateMessage first), until a condition holds or the time is up.
#pragma once
#include <windows.h>

#include <functional>

// True as soon as done() holds (checked after each round of messages, and at least every
// 20 ms), false at the deadline.
bool PumpUntil(const std::function<bool()>& done, DWORD nTimeoutMs = 5000);
// Runs what is queued now and what it causes within nMs.
void PumpFor(DWORD nMs);

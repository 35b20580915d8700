// Runs a command line under our own debugger and collects every debug string it emits
// (OutputDebugStringW reaches nothing else under Wine unless a debugger listens).
#pragma once
#include <windows.h>

#include <string>
#include <vector>

struct DebugCaptureResult {
    bool bStarted = false;
    bool bTimedOut = false;
    DWORD nExitCode = 0;
    std::vector<std::wstring> strings;  // exactly as emitted, one per OutputDebugString
};

DebugCaptureResult CaptureDebugOutput(const std::wstring& commandLine, DWORD nTimeoutMs = 60000);

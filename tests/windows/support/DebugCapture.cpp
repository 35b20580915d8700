#include "tests/windows/support/DebugCapture.h"

#include "tools/DebugSession.h"

DebugCaptureResult CaptureDebugOutput(const std::wstring& commandLine, DWORD nTimeoutMs)
{
    DebugCaptureResult capture;
    const CDebugSessionResult session = RunDebugSession(
        commandLine, nTimeoutMs, [&capture](const std::wstring& text) { capture.strings.push_back(text); });
    capture.bStarted = session.bStarted;
    capture.bTimedOut = session.bTimedOut;
    capture.nExitCode = session.nExitCode;
    return capture;
}

#include "tests/windows/support/Pump.h"

#include "framework/WinThread.h"

bool PumpUntil(const std::function<bool()>& done, DWORD nTimeoutMs)
{
    CWinThread pump;
    const ULONGLONG nDeadline = GetTickCount64() + nTimeoutMs;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!pump.PreTranslateMessage(msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
        if (done())
            return true;
        const ULONGLONG nNow = GetTickCount64();
        if (nNow >= nDeadline)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(nDeadline - nNow), QS_ALLINPUT);
    }
}

#include "tests/windows/support/MessagePump.h"

#include <algorithm>

#include "framework/WinThread.h"

bool PumpUntil(const std::function<bool()>& done, DWORD nTimeoutMs)
{
    CWinThread loop;
    const ULONGLONG nDeadline = GetTickCount64() + nTimeoutMs;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!loop.PreTranslateMessage(msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
        if (done())
            return true;
        const ULONGLONG nNow = GetTickCount64();
        if (nNow >= nDeadline)
            return false;
        // Conditions may change without a message (a file, another thread): look again soon.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::min<ULONGLONG>(nDeadline - nNow, 20)),
                                  QS_ALLINPUT);
    }
}

void PumpFor(DWORD nMs)
{
    PumpUntil([] { return false; }, nMs);
}

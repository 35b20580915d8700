#include "tests/windows/support/ScreenshotHold.h"

#include <windows.h>

#include "tests/windows/support/MessagePump.h"

std::wstring OwnDir()
{
    wchar_t sz[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, sz, MAX_PATH);
    std::wstring path(sz, n);
    return path.substr(0, path.rfind(L'\\') + 1);
}

bool HoldForScreenshot(const wchar_t* pszName)
{
    const std::wstring ready = OwnDir() + L"shot-" + pszName + L".ready";
    const std::wstring done = OwnDir() + L"shot-" + pszName + L".done";
    DeleteFileW(done.c_str());
    PumpFor(500);  // painted
    HANDLE hFile = CreateFileW(ready.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(hFile);
    const bool bDone = PumpUntil([&] { return GetFileAttributesW(done.c_str()) != INVALID_FILE_ATTRIBUTES; }, 120000);
    DeleteFileW(ready.c_str());
    DeleteFileW(done.c_str());
    return bDone;
}

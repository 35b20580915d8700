// Stands in for a downloaded installer in the updater tests: when it runs, it appends one
// line to a file beside itself (its own path with ".ran" added) and ends.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, wchar_t*, int)
{
    wchar_t szPath[MAX_PATH + 8] = {};
    const DWORD nChars = GetModuleFileNameW(nullptr, szPath, MAX_PATH);
    if (nChars == 0 || nChars >= MAX_PATH)
        return 1;
    lstrcatW(szPath, L".ran");
    HANDLE hFile =
        CreateFileW(szPath, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return 2;
    const char szLine[] = "ran\n";
    DWORD nWritten = 0;
    WriteFile(hFile, szLine, sizeof(szLine) - 1, &nWritten, nullptr);
    CloseHandle(hFile);
    return 0;
}

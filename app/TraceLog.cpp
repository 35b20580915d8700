#include "app/TraceLog.h"

#include <windows.h>

#include <cstdarg>
#include <cwchar>

#include "app/SysWrappers.h"
#include "app/TraceLine.h"

namespace {

const wchar_t kTraceFileName[] = L"Trace.Log";

// "<folder of the executable>\Trace.Log", or an empty string if the executable's path
// cannot be had (a truncated path counts as none).
void BuildTracePath(wchar_t* pszPath, size_t nPathChars)
{
    pszPath[0] = L'\0';
    wchar_t szModule[260];
    const DWORD nLength = GetModuleFileNameW(nullptr, szModule, 260);
    if (nLength == 0 || nLength >= 260)
        return;
    szModule[nLength] = L'\0';
    DWORD nFolder = nLength;
    while (nFolder > 0 && szModule[nFolder - 1] != L'\\')
        --nFolder;
    if (nFolder == 0)
        return;
    const size_t nNameChars = sizeof(kTraceFileName) / sizeof(kTraceFileName[0]);
    if (nFolder + nNameChars > nPathChars)
        return;
    // nFolder includes the backslash.
    wmemcpy(pszPath, szModule, nFolder);
    wmemcpy(pszPath + nFolder, kTraceFileName, nNameChars);
}

}  // namespace

void WriteTraceLog(const wchar_t* pszFormat, ...)
{
    if (pszFormat == nullptr)
        return;

    SYSTEMTIME st;
    GetLocalTime(&st);
    const CTraceTime time{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};

    // wvsprintfW stops at 1024 characters including the zero.
    wchar_t szMessage[kTraceLineBufferChars];
    szMessage[0] = L'\0';
    va_list args;
    va_start(args, pszFormat);
    const int nMessage = wvsprintfW(szMessage, pszFormat, args);
    va_end(args);
    if (nMessage < 0)
        szMessage[0] = L'\0';
    szMessage[kTraceLineBufferChars - 1] = L'\0';

    wchar_t szLine[kTraceLineBufferChars];
    const size_t nLine = BuildTraceLine(time, szMessage, szLine, kTraceLineBufferChars);
    if (nLine == 0)
        return;

    wchar_t szPath[MAX_PATH + 16];
    BuildTracePath(szPath, sizeof(szPath) / sizeof(szPath[0]));
    if (szPath[0] == L'\0')
        return;

    const XHandle file(
        CreateFileW(szPath, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return;

    SetLastError(NO_ERROR);
    if (SetFilePointer(file.Get(), 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR)
        return;

    // Up to four bytes per UTF-16 unit covers every code page, UTF-8 included.
    char szBytes[kTraceLineBufferChars * 4];
    const int nBytes = WideCharToMultiByte(CP_THREAD_ACP, 0, szLine, static_cast<int>(nLine), szBytes,
                                           static_cast<int>(sizeof(szBytes)), nullptr, nullptr);
    if (nBytes <= 0)
        return;

    DWORD nWritten = 0;
    if (WriteFile(file.Get(), szBytes, static_cast<DWORD>(nBytes), &nWritten, nullptr))
        FlushFileBuffers(file.Get());
}

// Runs a command line as a debuggee and hands every debug string it emits to a callback,
// in order, as it arrives. Shared by DebugRunner.exe and the Windows tests; header-only
// so that neither needs the other's build.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

struct CDebugSessionResult {
    bool bStarted = false;    // CreateProcessW succeeded
    DWORD nStartError = 0;    // its error otherwise
    bool bTimedOut = false;   // the debuggee was terminated at the deadline
    DWORD nExitCode = 0;      // from the exit event
};

namespace debug_session_detail {

// Reads a zero-terminated string of nUnit-byte units from the debuggee, page by page,
// since a single read fails as a whole if any byte of it is unreadable.
inline std::vector<char> ReadTerminated(HANDLE hProcess, const void* pAddress, size_t nUnit)
{
    const size_t kMaxBytes = 64u * 1024u * 1024u;
    const size_t kPage = 4096;
    std::vector<char> bytes;
    auto address = reinterpret_cast<uintptr_t>(pAddress);
    while (bytes.size() < kMaxBytes) {
        size_t nChunk = kPage - (address % kPage);
        char chunk[4096];
        SIZE_T nRead = 0;
        if (!ReadProcessMemory(hProcess, reinterpret_cast<const void*>(address), chunk, nChunk, &nRead) || nRead == 0)
            break;
        const size_t nOld = bytes.size();
        bytes.insert(bytes.end(), chunk, chunk + nRead);
        address += nRead;
        // Look for a whole zero unit, aligned to the start of the string.
        for (size_t i = nOld - nOld % nUnit; i + nUnit <= bytes.size(); i += nUnit) {
            bool bZero = true;
            for (size_t k = 0; k < nUnit; ++k)
                bZero = bZero && bytes[i + k] == 0;
            if (bZero) {
                bytes.resize(i);
                return bytes;
            }
        }
    }
    bytes.resize(bytes.size() - bytes.size() % nUnit);
    return bytes;
}

inline std::wstring ReadDebugString(HANDLE hProcess, const OUTPUT_DEBUG_STRING_INFO& info)
{
    if (info.fUnicode) {
        const std::vector<char> bytes = ReadTerminated(hProcess, info.lpDebugStringData, sizeof(wchar_t));
        std::wstring text(bytes.size() / sizeof(wchar_t), L'\0');
        if (!text.empty())
            memcpy(text.data(), bytes.data(), text.size() * sizeof(wchar_t));
        return text;
    }
    // Wine hands wide strings over converted to the ANSI code page.
    const std::vector<char> bytes = ReadTerminated(hProcess, info.lpDebugStringData, 1);
    if (bytes.empty())
        return std::wstring();
    const int nChars = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    if (nChars <= 0)
        return std::wstring();
    std::wstring text(static_cast<size_t>(nChars), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), nChars);
    return text;
}

inline ULONGLONG Now()
{
    return GetTickCount64();
}

}  // namespace debug_session_detail

// nTimeoutMs INFINITE waits for the debuggee's own end; otherwise the debuggee is
// terminated at the deadline and bTimedOut is set.
inline CDebugSessionResult RunDebugSession(const std::wstring& commandLine, DWORD nTimeoutMs,
                                           const std::function<void(const std::wstring&)>& onString)
{
    using namespace debug_session_detail;
    CDebugSessionResult result;

    std::vector<wchar_t> mutableLine(commandLine.begin(), commandLine.end());
    mutableLine.push_back(L'\0');
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, DEBUG_ONLY_THIS_PROCESS, nullptr,
                        nullptr, &si, &pi)) {
        result.nStartError = GetLastError();
        return result;
    }
    result.bStarted = true;

    const ULONGLONG deadline = nTimeoutMs == INFINITE ? 0 : Now() + nTimeoutMs;
    bool bTerminated = false;
    bool bFirstBreakpoint = true;
    for (;;) {
        DEBUG_EVENT event = {};
        if (!WaitForDebugEvent(&event, 100)) {
            if (!bTerminated && deadline != 0 && Now() >= deadline) {
                result.bTimedOut = true;
                bTerminated = true;
                TerminateProcess(pi.hProcess, 1);
            }
            // After a termination the exit event follows; give up on it after 10 s more.
            if (bTerminated && Now() >= deadline + 10000)
                break;
            continue;
        }
        DWORD nContinue = DBG_CONTINUE;
        bool bExited = false;
        switch (event.dwDebugEventCode) {
        case CREATE_PROCESS_DEBUG_EVENT:
            if (event.u.CreateProcessInfo.hFile != nullptr)
                CloseHandle(event.u.CreateProcessInfo.hFile);
            break;
        case LOAD_DLL_DEBUG_EVENT:
            if (event.u.LoadDll.hFile != nullptr)
                CloseHandle(event.u.LoadDll.hFile);
            break;
        case EXCEPTION_DEBUG_EVENT:
            // The loader's breakpoint is ours to swallow; the debuggee's own exceptions go
            // back to its handlers.
            if (bFirstBreakpoint && event.u.Exception.ExceptionRecord.ExceptionCode == EXCEPTION_BREAKPOINT)
                bFirstBreakpoint = false;
            else
                nContinue = DBG_EXCEPTION_NOT_HANDLED;
            break;
        case OUTPUT_DEBUG_STRING_EVENT:
            onString(ReadDebugString(pi.hProcess, event.u.DebugString));
            break;
        case EXIT_PROCESS_DEBUG_EVENT:
            result.nExitCode = event.u.ExitProcess.dwExitCode;
            bExited = true;
            break;
        default:
            break;
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, nContinue);
        if (bExited)
            break;
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return result;
}

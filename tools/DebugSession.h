// Runs a command line as a debuggee and hands every debug string it emits to a callback,
// in order, as it arrives. Shared by DebugRunner.exe and the Windows tests; header-only
// so that neither needs the other's build.
#pragma once
#include <windows.h>

#include <atomic>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

struct CDebugSessionResult {
    bool bStarted = false;   // CreateProcessW succeeded
    DWORD nStartError = 0;   // its error otherwise
    bool bTimedOut = false;  // the debuggees were terminated at the deadline
    DWORD nExitCode = 0;     // the started process's, from its exit event
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

// What a session does beyond reporting the debuggee's strings; every member is optional.
struct CDebugSessionOptions {
    // Also debug every process that the debuggee starts, and theirs; the session then
    // lasts until all of them have ended (a setup that starts the program it installs).
    bool bFollowChildren = false;
    // Called with the started process's id as soon as it exists.
    std::function<void(DWORD)> onStart;
    // Called with the started process's exit code when it ends; followed children may
    // still run.
    std::function<void(DWORD)> onExit;
    // Set by another thread to end the session at once: every debuggee is terminated.
    const std::atomic<bool>* pCancel = nullptr;
};

// nTimeoutMs INFINITE waits for the debuggees' own end; otherwise they are terminated at
// the deadline and bTimedOut is set.
inline CDebugSessionResult RunDebugSession(const std::wstring& commandLine, DWORD nTimeoutMs,
                                           const std::function<void(const std::wstring&)>& onString,
                                           const CDebugSessionOptions& options = {})
{
    using namespace debug_session_detail;
    CDebugSessionResult result;

    std::vector<wchar_t> mutableLine(commandLine.begin(), commandLine.end());
    mutableLine.push_back(L'\0');
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    const DWORD nFlags = options.bFollowChildren ? DEBUG_PROCESS : DEBUG_ONLY_THIS_PROCESS;
    if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, nFlags, nullptr, nullptr, &si, &pi)) {
        result.nStartError = GetLastError();
        return result;
    }
    result.bStarted = true;
    if (options.onStart)
        options.onStart(pi.dwProcessId);

    // The debuggees by id, with the handles that their creation events bring (the
    // system's, closed by it after their exit events); each one's loader breakpoint is ours.
    std::map<DWORD, HANDLE> debuggees;
    std::set<DWORD> pastFirstBreakpoint;
    const ULONGLONG deadline = nTimeoutMs == INFINITE ? 0 : Now() + nTimeoutMs;
    ULONGLONG nTerminatedAt = 0;
    auto terminateAll = [&] {
        nTerminatedAt = Now();
        TerminateProcess(pi.hProcess, 1);
        for (const auto& debuggee : debuggees)
            TerminateProcess(debuggee.second, 1);
    };
    for (;;) {
        DEBUG_EVENT event = {};
        if (!WaitForDebugEvent(&event, 100)) {
            if (nTerminatedAt == 0 && options.pCancel != nullptr && options.pCancel->load())
                terminateAll();
            if (nTerminatedAt == 0 && deadline != 0 && Now() >= deadline) {
                result.bTimedOut = true;
                terminateAll();
            }
            // After a termination the exit events follow; give up on them after 10 s more.
            if (nTerminatedAt != 0 && Now() >= nTerminatedAt + 10000)
                break;
            continue;
        }
        DWORD nContinue = DBG_CONTINUE;
        bool bLast = false;
        switch (event.dwDebugEventCode) {
        case CREATE_PROCESS_DEBUG_EVENT:
            if (event.u.CreateProcessInfo.hFile != nullptr)
                CloseHandle(event.u.CreateProcessInfo.hFile);
            debuggees[event.dwProcessId] = event.u.CreateProcessInfo.hProcess;
            // Started while a termination is under way: it ends too.
            if (nTerminatedAt != 0)
                TerminateProcess(event.u.CreateProcessInfo.hProcess, 1);
            break;
        case LOAD_DLL_DEBUG_EVENT:
            if (event.u.LoadDll.hFile != nullptr)
                CloseHandle(event.u.LoadDll.hFile);
            break;
        case EXCEPTION_DEBUG_EVENT:
            // The loader's breakpoint is ours to swallow; the debuggee's own exceptions go
            // back to its handlers.
            if (event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT ||
                !pastFirstBreakpoint.insert(event.dwProcessId).second)
                nContinue = DBG_EXCEPTION_NOT_HANDLED;
            break;
        case OUTPUT_DEBUG_STRING_EVENT: {
            const auto debuggee = debuggees.find(event.dwProcessId);
            onString(
                ReadDebugString(debuggee != debuggees.end() ? debuggee->second : pi.hProcess, event.u.DebugString));
            break;
        }
        case EXIT_PROCESS_DEBUG_EVENT:
            if (event.dwProcessId == pi.dwProcessId) {
                result.nExitCode = event.u.ExitProcess.dwExitCode;
                if (options.onExit)
                    options.onExit(result.nExitCode);
            }
            debuggees.erase(event.dwProcessId);
            bLast = debuggees.empty();
            break;
        default:
            break;
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, nContinue);
        if (bLast)
            break;
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return result;
}

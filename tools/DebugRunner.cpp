// DebugRunner.exe [--out FILE] [--timeout MS] -- PROGRAM [ARGS...]
// Runs PROGRAM as its debugger and writes every debug string it emits, as UTF-8, to FILE
// (created anew, written through as each string arrives so that a reader can follow it)
// or to standard output. Each string is written exactly; one that does not end in a line
// feed gets one, so that every string starts a line. Exits with PROGRAM's exit code;
// 125 on a usage error, 126 if PROGRAM cannot be started, 124 if the timeout ended it.
#include <windows.h>

#include <string>

#include "tools/DebugSession.h"

namespace {

// Quotes one argument so that the child's CommandLineToArgvW gives it back unchanged.
void AppendQuoted(std::wstring& line, const std::wstring& arg)
{
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        line += arg;
        return;
    }
    line += L'"';
    size_t nBackslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++nBackslashes;
            continue;
        }
        if (c == L'"')
            line.append(nBackslashes * 2 + 1, L'\\');
        else
            line.append(nBackslashes, L'\\');
        nBackslashes = 0;
        line += c;
    }
    line.append(nBackslashes * 2, L'\\');
    line += L'"';
}

std::string ToUtf8(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    const int nBytes =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    if (nBytes <= 0)
        return std::string();
    std::string bytes(static_cast<size_t>(nBytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), nBytes, nullptr, nullptr);
    return bytes;
}

void WriteAll(HANDLE hOut, const std::string& bytes)
{
    size_t nDone = 0;
    while (nDone < bytes.size()) {
        DWORD nWritten = 0;
        if (!WriteFile(hOut, bytes.data() + nDone, static_cast<DWORD>(bytes.size() - nDone), &nWritten, nullptr) ||
            nWritten == 0)
            return;
        nDone += nWritten;
    }
}

int Usage()
{
    const char text[] = "usage: DebugRunner.exe [--out FILE] [--timeout MS] -- PROGRAM [ARGS...]\n";
    DWORD nWritten = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, sizeof(text) - 1, &nWritten, nullptr);
    return 125;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    std::wstring outPath;
    DWORD nTimeoutMs = INFINITE;
    int i = 1;
    for (; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--") {
            ++i;
            break;
        }
        if (arg == L"--out" && i + 1 < argc) {
            outPath = argv[++i];
        } else if (arg == L"--timeout" && i + 1 < argc) {
            nTimeoutMs = static_cast<DWORD>(wcstoul(argv[++i], nullptr, 10));
        } else {
            return Usage();
        }
    }
    if (i >= argc)
        return Usage();

    std::wstring commandLine;
    for (int k = i; k < argc; ++k) {
        if (k > i)
            commandLine += L' ';
        AppendQuoted(commandLine, argv[k]);
    }

    HANDLE hOut = GetStdHandle(STD_OUTPUT_HANDLE);
    bool bOwnOut = false;
    if (!outPath.empty()) {
        hOut = CreateFileW(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (hOut == INVALID_HANDLE_VALUE)
            return Usage();
        bOwnOut = true;
    }

    const CDebugSessionResult result = RunDebugSession(commandLine, nTimeoutMs, [hOut](const std::wstring& text) {
        std::string bytes = ToUtf8(text);
        if (bytes.empty() || bytes.back() != '\n')
            bytes += '\n';
        WriteAll(hOut, bytes);
    });
    if (bOwnOut)
        CloseHandle(hOut);
    if (!result.bStarted)
        return 126;
    if (result.bTimedOut)
        return 124;
    return static_cast<int>(result.nExitCode);
}

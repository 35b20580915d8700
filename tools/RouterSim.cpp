// RouterSim.exe --port N [--script FILE] [--lifetime SECONDS] [--log FILE] [--address 127.0.0.1]
// RouterSim.exe --check FILE
// Plays the router's event service on 127.0.0.1:N (0: a free port, named in the first log
// line) from a scenario script (tools/sim/Scenario.h; without one it only sends
// keep-alives), writing each event as a timestamped line to standard output or to FILE
// (written through, so that a test can follow it). It serves loopback only and always
// ends by itself: at an "end" step, when a bounded wait of the script fails, or after its
// lifetime (default 120 s, at most a day).
// Exit codes: 0 the script ran through, 1 the script failed, 2 usage, script or port
// error, 3 the lifetime ran out in the middle of the script.
// --check only parses FILE and says how many steps it has or where it is wrong (exit code
// 0 or 2), so that a script can be checked without serving anything.
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "tools/sim/RouterServer.h"
#include "tools/sim/Scenario.h"

namespace {

constexpr long kMaxLifetimeSeconds = 86400;
constexpr size_t kMaxScriptBytes = 1 << 20;

int Usage(const char* pszWhy)
{
    std::fprintf(stderr,
                 "RouterSim: %s\n"
                 "usage: RouterSim.exe --port N [--script FILE] [--lifetime SECONDS] [--log FILE]"
                 " [--address 127.0.0.1]\n"
                 "       RouterSim.exe --check FILE\n",
                 pszWhy);
    return 2;
}

bool ParseNumber(const wchar_t* psz, long nMin, long nMax, long& nValue)
{
    wchar_t* pEnd = nullptr;
    errno = 0;
    const long n = std::wcstol(psz, &pEnd, 10);
    if (pEnd == psz || *pEnd != L'\0' || errno != 0 || n < nMin || n > nMax)
        return false;
    nValue = n;
    return true;
}

bool ReadFileBytes(const wchar_t* pszPath, std::string& bytes)
{
    const CSimHandle file(
        CreateFileW(pszPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    LARGE_INTEGER size{};
    bool bOk = GetFileSizeEx(file.Get(), &size) && size.QuadPart >= 0 &&
               static_cast<unsigned long long>(size.QuadPart) <= kMaxScriptBytes;
    if (bOk) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD nRead = 0;
        bOk = bytes.empty() || (ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &nRead, nullptr) &&
                                nRead == bytes.size());
    }
    return bOk;
}

// Where the log lines go: standard output, or a file written through line by line.
class CLogOutput {
public:
    bool Open(const wchar_t* pszPath)
    {
        m_file.Reset(CreateFileW(pszPath, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr));
        return m_file.IsValid();
    }

    void Write(const std::string& line)
    {
        const std::string text = line + "\n";
        if (!m_file) {
            std::fwrite(text.data(), 1, text.size(), stdout);
            std::fflush(stdout);
            return;
        }
        DWORD nWritten = 0;
        WriteFile(m_file.Get(), text.data(), static_cast<DWORD>(text.size()), &nWritten, nullptr);
    }

private:
    CSimHandle m_file;
};

int CheckScript(const wchar_t* pszPath)
{
    std::string script;
    if (!ReadFileBytes(pszPath, script))
        return Usage("cannot read the script");
    std::vector<ScenarioStep> steps;
    ScenarioError error;
    if (!ParseScenario(script, steps, error)) {
        std::fprintf(stderr, "RouterSim: %ls: script line %d: %s\n", pszPath, error.nLine, error.message.c_str());
        return 2;
    }
    std::printf("RouterSim: %ls: %lu steps\n", pszPath, static_cast<unsigned long>(steps.size()));
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc == 3 && std::wstring(argv[1]) == L"--check")
        return CheckScript(argv[2]);
    long nPort = -1;
    long nLifetime = 120;
    const wchar_t* pszScript = nullptr;
    const wchar_t* pszLog = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (i + 1 >= argc)
            return Usage("every option takes a value");
        const wchar_t* pszValue = argv[++i];
        if (arg == L"--port") {
            if (!ParseNumber(pszValue, 0, 65535, nPort))
                return Usage("--port takes 0 to 65535");
        } else if (arg == L"--lifetime") {
            if (!ParseNumber(pszValue, 1, kMaxLifetimeSeconds, nLifetime))
                return Usage("--lifetime takes 1 to 86400 seconds");
        } else if (arg == L"--script") {
            pszScript = pszValue;
        } else if (arg == L"--log") {
            pszLog = pszValue;
        } else if (arg == L"--address") {
            // Named only so that a caller who asks for another address is told no.
            if (std::wstring(pszValue) != L"127.0.0.1")
                return Usage("only 127.0.0.1 is served");
        } else {
            return Usage("unknown option");
        }
    }
    if (nPort < 0)
        return Usage("--port is needed");

    std::string script;
    if (pszScript != nullptr && !ReadFileBytes(pszScript, script))
        return Usage("cannot read the script");

    CLogOutput output;
    if (pszLog != nullptr && !output.Open(pszLog))
        return Usage("cannot create the log file");

    RouterServerOptions options;
    options.nLifetimeMs = static_cast<int64_t>(nLifetime) * 1000;
    options.onLog = [&output](const std::string& line) { output.Write(line); };
    CRouterServer server;
    if (!server.Start(static_cast<uint16_t>(nPort), script, options)) {
        output.Write("RouterSim: " + server.Error());
        return Usage(server.Error().c_str());
    }
    // The server ends by itself at its lifetime; the margin only covers a wedged thread.
    if (!server.WaitUntilFinished(static_cast<uint32_t>(nLifetime) * 1000 + 5000))
        output.Write("RouterSim: the server did not end in time");
    server.Stop();

    switch (server.Outcome()) {
    case RouterRunOutcome::Ended:
    case RouterRunOutcome::Completed:
        return 0;
    case RouterRunOutcome::Failed:
        return 1;
    default:
        return 3;
    }
}

// The log and the trace file on Windows: the real OutputDebugStringW seen by a debugger,
// the runtime's wide printf, the last-error promise, and the bytes of "Trace.Log".
#include <windows.h>

#include <shellapi.h>

#include <gmock/gmock.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "app/Log.h"
#include "app/TraceLog.h"
#include "tests/windows/support/ChildScenario.h"
#include "tests/windows/support/DebugCapture.h"

namespace {

const std::wstring kLongText(5000, L'y');

// Everything here goes through the default sink, OutputDebugStringW.
TN_CHILD_SCENARIO(LogToDebugger)
{
    XLog(3, L"CNotifyIcon::SetText, Shell_NotifyIcon: 0x%x.", 0x57u);
    XLog(L"XFindClose, CloseHandle: 0x%x.\n", 6u);
    XLog(1, L"hidden detail");
    XLog(2, L"%s and %S", L"wide", "narrow");
    XLog(3, L"");
    XLogSetLevel(1);
    XLog(1, L"shown detail %d", 1);
    XLog(3, L"<%s>", kLongText.c_str());
    XLogString(L"caf\u00e9");
    return 7;
}

TEST(LogOnWindows, DebuggerSeesOneStringPerLine)
{
    const DebugCaptureResult result = CaptureDebugOutput(ChildScenarioCommandLine(L"LogToDebugger"));
    ASSERT_TRUE(result.bStarted);
    ASSERT_FALSE(result.bTimedOut);
    EXPECT_EQ(result.nExitCode, 7u);
    EXPECT_THAT(result.strings, testing::ElementsAre(L"CNotifyIcon::SetText, Shell_NotifyIcon: 0x57.\n",
                                                     L"XFindClose, CloseHandle: 0x6.\n\n", L"wide and narrow\n", L"\n",
                                                     L"shown detail 1\n", L"<" + kLongText + L">\n", L"caf\u00e9\n"));
}

TN_CHILD_SCENARIO(LogThenHang)
{
    XLogString(L"before");
    Sleep(60000);
    return 0;
}

TEST(LogOnWindows, CaptureEndsADebuggeeAtItsDeadline)
{
    const ULONGLONG start = GetTickCount64();
    const DebugCaptureResult result = CaptureDebugOutput(ChildScenarioCommandLine(L"LogThenHang"), 1500);
    EXPECT_TRUE(result.bTimedOut);
    EXPECT_LT(GetTickCount64() - start, 15000u);
    EXPECT_THAT(result.strings, testing::ElementsAre(L"before\n"));
}

// Logs the argument after its name, for the debugger runner's quoting.
TN_CHILD_SCENARIO(LogArgument)
{
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == nullptr || argc < 4)
        return 98;
    XLog(3, L"[%s]", argv[3]);
    XLogString(L"no line feed\n");
    OutputDebugStringW(L"raw");
    LocalFree(argv);
    return 5;
}

// DebugRunner.exe is built beside the tests, in tools/ of the same build folder.
TEST(DebugRunner, WritesEveryStringAsUtf8AndPassesTheExitCodeOn)
{
    wchar_t szModule[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, szModule, MAX_PATH);
    ASSERT_TRUE(n > 0 && n < MAX_PATH);
    std::wstring folder(szModule, n);
    folder.resize(folder.rfind(L'\\') + 1);
    const std::wstring runner = folder + L"..\\..\\tools\\DebugRunner.exe";
    if (GetFileAttributesW(runner.c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "DebugRunner.exe is not built";
    const std::wstring out = folder + L"debug-runner-test.txt";
    DeleteFileW(out.c_str());

    // The argument must reach the program unchanged through the runner's own quoting.
    const std::wstring commandLine = L"\"" + runner + L"\" --out \"" + out + L"\" -- \"" + std::wstring(szModule, n) +
                                     L"\" --child LogArgument \"a \\\"b\\\" c\u00e9\\\\\"";
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 60000), WAIT_OBJECT_0);
    DWORD nExit = 0;
    GetExitCodeProcess(pi.hProcess, &nExit);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    EXPECT_EQ(nExit, 5u);

    std::ifstream file(out.c_str(), std::ios::binary);
    const std::string contents((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    file.close();
    DeleteFileW(out.c_str());
    EXPECT_EQ(contents, "[a \"b\" c\xc3\xa9\\]\nno line feed\n\nraw\n");
}

std::vector<std::wstring> s_lines;

void CaptureSink(const wchar_t* pszLine)
{
    s_lines.emplace_back(pszLine);
}

class LogSinkTest : public testing::Test {
protected:
    void SetUp() override
    {
        s_lines.clear();
        m_pfnPrevious = XLogSetSink(&CaptureSink);
        XLogSetLevel(0);
    }
    void TearDown() override
    {
        XLogSetSink(m_pfnPrevious);
        XLogSetLevel(0);
    }

private:
    XLogSinkFn m_pfnPrevious = nullptr;
};

TEST_F(LogSinkTest, RuntimeFormatsHaveWindowsMeaning)
{
    struct Case {
        const wchar_t* pszExpected;
        void (*pfnCall)();
    };
    const Case cases[] = {
        {L"wide|narrow|narrow|wide", [] { XLog(3, L"%s|%S|%hs|%ls", L"wide", "narrow", "narrow", L"wide"); }},
        {L"W|n|n|W", [] { XLog(3, L"%c|%C|%hc|%lc", L'W', 'n', 'n', L'W'); }},
        {L"-5 4294967295 0A ff", [] { XLog(3, L"%ld %lu %02X %x", -5L, 0xFFFFFFFFUL, 10u, 255u); }},
        {L"-9000000000 123456789ab", [] { XLog(3, L"%I64d %I64x", -9000000000LL, 0x123456789abULL); }},
        {L"0000000000001234", [] { XLog(3, L"%p", reinterpret_cast<void*>(static_cast<uintptr_t>(0x1234))); }},
        {L"100% [   ab]", [] { XLog(3, L"100%% [%5s]", L"ab"); }},
    };
    for (const Case& c : cases) {
        s_lines.clear();
        c.pfnCall();
        EXPECT_THAT(s_lines, testing::ElementsAre(std::wstring(c.pszExpected) + L"\n"));
    }
}

TEST_F(LogSinkTest, UnreadableFormatIsReplaced)
{
    XLog(3, reinterpret_cast<const wchar_t*>(static_cast<uintptr_t>(8)));
    XLog(reinterpret_cast<const wchar_t*>(static_cast<uintptr_t>(8)));
    EXPECT_THAT(s_lines, testing::ElementsAre(L"XLog: <BadPtr>.\n", L"XLog: <BadPtr>.\n"));
}

TEST_F(LogSinkTest, LongMessageComesOutWhole)
{
    const std::wstring text(100000, L'z');
    XLog(3, L"%s.", text.c_str());
    EXPECT_THAT(s_lines, testing::ElementsAre(text + L".\n"));
}

TEST(LogOnWindows, LastErrorSurvivesEveryCall)
{
    struct Case {
        const char* pszName;
        void (*pfnCall)();
    };
    // The default sink: OutputDebugStringW is free to change the last error.
    const Case cases[] = {
        {"emitted", [] { XLog(3, L"CTools::Utf8ToUtf16, NOK."); }},
        {"filtered", [] { XLog(1, L"CSockClient::ProcessReceivedData, processing message %d.", 3); }},
        {"unleveled", [] { XLog(L"XCloseHandle, CloseHandle: 0x%x.\n", 6u); }},
        {"bad format", [] { XLog(3, reinterpret_cast<const wchar_t*>(static_cast<uintptr_t>(8))); }},
        {"string", [] { XLogString(L"text"); }},
        {"null string", [] { XLogString(nullptr); }},
    };
    XLogSetLevel(0);
    for (const Case& c : cases) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        c.pfnCall();
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND)) << c.pszName;
    }
}

class TraceLogTest : public testing::Test {
protected:
    void SetUp() override
    {
        wchar_t szModule[MAX_PATH];
        const DWORD n = GetModuleFileNameW(nullptr, szModule, MAX_PATH);
        ASSERT_GT(n, 0u);
        ASSERT_LT(n, static_cast<DWORD>(MAX_PATH));
        m_path.assign(szModule, n);
        m_path.resize(m_path.rfind(L'\\') + 1);
        m_path += L"Trace.Log";
        DeleteFileW(m_path.c_str());
    }
    void TearDown() override { DeleteFileW(m_path.c_str()); }

    std::string Contents() const
    {
        std::ifstream file(m_path.c_str(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }

    std::wstring m_path;
};

std::string DatePart(const SYSTEMTIME& st)
{
    char sz[32];
    wsprintfA(sz, "[%02d-%02d-%04d - ", st.wDay, st.wMonth, st.wYear);
    return sz;
}

TEST_F(TraceLogTest, AppendsStampedLinesInAnsiAndKeepsEarlierOnes)
{
    SYSTEMTIME before;
    GetLocalTime(&before);
    WriteTraceLog(L"IsFileExisting failed");
    WriteTraceLog(L"LoadLibrary failed [m_hLangDLL is NULL]");
    SYSTEMTIME after;
    GetLocalTime(&after);

    const std::string contents = Contents();
    const std::regex shape(
        "\\[\\d{2}-\\d{2}-\\d{4} - \\d{2}:\\d{2}:\\d{2}\\.\\d{3}\\]  IsFileExisting failed\\n"
        "\\[\\d{2}-\\d{2}-\\d{4} - \\d{2}:\\d{2}:\\d{2}\\.\\d{3}\\]  LoadLibrary failed \\[m_hLangDLL is NULL\\]\\n");
    EXPECT_TRUE(std::regex_match(contents, shape)) << contents;
    // Day first, then month and year.
    const std::string date = contents.substr(0, 14);
    EXPECT_TRUE(date == DatePart(before) || date == DatePart(after)) << date;
}

TEST_F(TraceLogTest, CharactersGoToTheThreadCodePage)
{
    CPINFOEXW info = {};
    ASSERT_TRUE(GetCPInfoExW(CP_THREAD_ACP, 0, &info));
    if (info.CodePage != 1252)
        GTEST_SKIP() << "thread code page is " << info.CodePage;
    // U+00E9 exists in 1252; U+4E2D does not and becomes the default character.
    WriteTraceLog(L"caf\u00e9 \u4e2d");
    const std::string contents = Contents();
    ASSERT_GT(contents.size(), 29u);
    EXPECT_EQ(contents.substr(29), "caf\xe9 ?\n");
}

TEST_F(TraceLogTest, LongMessageIsCutTo1023Characters)
{
    std::wstring message;
    for (int i = 0; i < 1500; ++i)
        message += static_cast<wchar_t>(L'a' + i % 26);
    WriteTraceLog(message.c_str());
    const std::string contents = Contents();
    ASSERT_EQ(contents.size(), 1053u);
    EXPECT_EQ(contents.substr(27, 2), "  ");
    EXPECT_EQ(contents.substr(29, 1023), std::string(message.begin(), message.begin() + 1023));
    EXPECT_EQ(contents.back(), '\n');
}

DWORD WINAPI WriteTraceLogThread(void*)
{
    WriteTraceLog(L"IsFileExisting failed");
    return 0;
}

TEST_F(TraceLogTest, FileThatCannotBeOpenedDropsTheLine)
{
    HANDLE hHolder =
        CreateFileW(m_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(hHolder, INVALID_HANDLE_VALUE);
    DWORD nWritten = 0;
    ASSERT_TRUE(WriteFile(hHolder, "kept\n", 5, &nWritten, nullptr));

    HANDLE hThread = CreateThread(nullptr, 0, &WriteTraceLogThread, nullptr, 0, nullptr);
    ASSERT_NE(hThread, nullptr);
    EXPECT_EQ(WaitForSingleObject(hThread, 10000), WAIT_OBJECT_0);
    CloseHandle(hThread);
    CloseHandle(hHolder);

    EXPECT_EQ(Contents(), "kept\n");
}

}  // namespace

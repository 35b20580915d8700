#include <gmock/gmock.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/LastError.h"
#include "app/Log.h"

namespace {

std::vector<std::wstring> s_lines;

void CaptureSink(const wchar_t* pszLine)
{
    s_lines.emplace_back(pszLine);
    // A sink that disturbs the last error, as OutputDebugStringW may.
    XSetLastError(0xDEAD);
}

class LogTest : public testing::Test {
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

void CallXLogV(const wchar_t* pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    XLogV(pszFormat, args);
    va_end(args);
}

TEST_F(LogTest, FilterDecidesByLevelAndLevelsAboveThreeCountAsThree)
{
    struct Row {
        uint16_t nFilter;
        bool bEmit[4];  // by level 1..3; index 0 unused
    };
    const Row rows[] = {
        {0, {false, false, true, true}},
        {1, {false, true, true, true}},
        {2, {false, false, true, true}},
        {3, {false, false, false, true}},
    };
    for (const Row& row : rows) {
        XLogSetLevel(row.nFilter);
        for (uint16_t nLevel = 1; nLevel <= 7; ++nLevel) {
            const bool bExpected = row.bEmit[nLevel > 3 ? 3 : nLevel];
            SCOPED_TRACE(testing::Message() << "filter " << row.nFilter << " level " << nLevel);
            EXPECT_EQ(XLogIsLevelEnabled(nLevel > 3 ? 3 : nLevel), bExpected);
            s_lines.clear();
            XLog(nLevel, L"level %d", static_cast<int>(nLevel));
            if (bExpected)
                EXPECT_THAT(s_lines, testing::ElementsAre(L"level " + std::to_wstring(nLevel) + L"\n"));
            else
                EXPECT_THAT(s_lines, testing::IsEmpty());
        }
    }
}

TEST_F(LogTest, UnleveledFormIsNeverFiltered)
{
    XLogSetLevel(3);
    XLog(L"RegQueryValueEx: suspicious state.");
    EXPECT_THAT(s_lines, testing::ElementsAre(L"RegQueryValueEx: suspicious state.\n"));
}

TEST_F(LogTest, SetLevelStoresAtMostThree)
{
    const uint16_t values[][2] = {{0, 0}, {1, 1}, {3, 3}, {4, 3}, {9, 3}, {0xFFFF, 3}};
    for (const auto& v : values) {
        XLogSetLevel(v[0]);
        EXPECT_EQ(XLogGetLevel(), v[1]) << v[0];
    }
}

TEST_F(LogTest, FilteredCallReadsNeitherFormatNorArguments)
{
    // A format that would fault if read: the filter must reject the call first.
    const wchar_t* pszUnreadable = reinterpret_cast<const wchar_t*>(static_cast<uintptr_t>(8));
    XLog(1, pszUnreadable, reinterpret_cast<const wchar_t*>(static_cast<uintptr_t>(16)));
    EXPECT_THAT(s_lines, testing::IsEmpty());
}

TEST_F(LogTest, NullTextsAreReplaced)
{
    XLog(3, nullptr);
    XLog(static_cast<const wchar_t*>(nullptr));
    CallXLogV(nullptr);
    XLogString(nullptr);
    EXPECT_THAT(s_lines, testing::ElementsAre(L"XLog: <Null>.\n", L"XLog: <Null>.\n", L"XLog: <Null>.\n",
                                              L"XLogString: <Null>.\n"));
}

TEST_F(LogTest, EmptyExpansionGivesEmptyLine)
{
    XLog(3, L"%s", L"");
    XLog(2, L"");
    EXPECT_THAT(s_lines, testing::ElementsAre(L"\n", L"\n"));
}

TEST_F(LogTest, FormatEndingInLineFeedGivesLineAndEmptyLine)
{
    XLog(L"XFindClose, CloseHandle: 0x%x.\n", 6u);
    EXPECT_THAT(s_lines, testing::ElementsAre(L"XFindClose, CloseHandle: 0x6.\n\n"));
}

TEST_F(LogTest, LastErrorSurvivesEmittedAndFilteredCalls)
{
    struct Case {
        const char* pszName;
        void (*pfnCall)();
        size_t nLines;
    };
    const Case cases[] = {
        {"emitted", [] { XLog(3, L"CTools::Utf8ToUtf16, NOK."); }, 1},
        {"filtered", [] { XLog(1, L"CSockClient::ProcessReceivedData, processing message %d.", 4); }, 0},
        {"unleveled", [] { XLog(L"CDlgMain::Shutdown: NOK, %d.", 5); }, 1},
        {"null format", [] { XLog(3, nullptr); }, 1},
        {"string", [] { XLogString(L"text"); }, 1},
        {"null string", [] { XLogString(nullptr); }, 1},
    };
    for (const Case& c : cases) {
        s_lines.clear();
        XSetLastError(10054);
        c.pfnCall();
        EXPECT_EQ(XGetLastError(), 10054u) << c.pszName;
        EXPECT_EQ(s_lines.size(), c.nLines) << c.pszName;
    }
}

// The log formats are written for the Windows runtime: in a wide format %s is a wide
// string and %S a narrow one, l on an integer is 32 bits, I64 is 64 bits.
TEST_F(LogTest, FormatsFollowTheWindowsRuntime)
{
    struct Case {
        const wchar_t* pszExpected;
        void (*pfnCall)();
    };
    const Case cases[] = {
        {L"wide", [] { XLog(3, L"%s", L"wide"); }},
        {L"wide", [] { XLog(3, L"%ls", L"wide"); }},
        {L"wide", [] { XLog(3, L"%ws", L"wide"); }},
        {L"narrow", [] { XLog(3, L"%S", "narrow"); }},
        {L"narrow", [] { XLog(3, L"%hs", "narrow"); }},
        {L"narrow", [] { XLog(3, L"%hS", "narrow"); }},
        {L"wide", [] { XLog(3, L"%lS", L"wide"); }},
        {L"W|n|n|W", [] { XLog(3, L"%c|%C|%hc|%lc", L'W', 'n', 'n', L'W'); }},
        {L"\u00e9t\u00e9 \u4e2d", [] { XLog(3, L"%s", L"\u00e9t\u00e9 \u4e2d"); }},
        {L"-5 7 ff FF 0A", [] { XLog(3, L"%d %u %x %X %02X", -5, 7u, 255u, 255u, 10u); }},
        {L"-5 4294967295 ffffffff", [] { XLog(3, L"%ld %lu %lx", -5L, 0xFFFFFFFFUL, 0xFFFFFFFFUL); }},
        {L"-9000000000 18446744073709551615 123456789ab",
         [] {
             XLog(3, L"%I64d %I64u %I64x", static_cast<int64_t>(-9000000000LL), UINT64_MAX,
                  static_cast<uint64_t>(0x123456789abULL));
         }},
        {L"-3 4", [] { XLog(3, L"%I32d %Iu", -3, static_cast<size_t>(4)); }},
        {L"0000000000001234", [] { XLog(3, L"%p", reinterpret_cast<void*>(static_cast<uintptr_t>(0x1234))); }},
        {L"100% [   ab] [ab   ] [abc]", [] { XLog(3, L"100%% [%5s] [%-5s] [%.3s]", L"ab", L"ab", L"abcdef"); }},
        {L"[  42] [-0042]", [] { XLog(3, L"[%*d] [%05d]", 4, 42, -42); }},
        {L"CDlgMain::ConnectIfNeeded, CSockClient::Connect(127.0.0.1, 1337): NOK, 10061.",
         [] {
             XLog(1 + 2, L"CDlgMain::ConnectIfNeeded, CSockClient::Connect(%s, %d): NOK, %d.", L"127.0.0.1", 1337,
                  10061);
         }},
    };
    for (const Case& c : cases) {
        s_lines.clear();
        c.pfnCall();
        EXPECT_THAT(s_lines, testing::ElementsAre(std::wstring(c.pszExpected) + L"\n"));
    }
}

TEST_F(LogTest, LongMessagesComeOutWhole)
{
    for (size_t nLength : {511u, 512u, 1023u, 1024u, 100000u}) {
        s_lines.clear();
        const std::wstring text(nLength, L'x');
        XLog(3, L"<%s>", text.c_str());
        EXPECT_THAT(s_lines, testing::ElementsAre(L"<" + text + L">\n")) << nLength;
    }
}

TEST_F(LogTest, UnformattableArgumentsGiveFixedText)
{
    // Bytes that the C locale cannot read as a narrow string.
    XLog(3, L"%S", "\xff\xfe");
    EXPECT_THAT(s_lines, testing::ElementsAre(L"XLog: Cannot format message.\n"));
}

TEST_F(LogTest, DefaultSinkWritesUtf8ToStandardError)
{
    XLogSetSink(nullptr);
    testing::internal::CaptureStderr();
    XLog(3, L"caf\u00e9 \U0001F600");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "caf\xc3\xa9 \xf0\x9f\x98\x80\n");
}

}  // namespace

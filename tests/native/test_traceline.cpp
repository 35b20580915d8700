#include <gmock/gmock.h>

#include <string>

#include "app/TraceLine.h"

namespace {

const CTraceTime kMarch7 = {2009, 3, 7, 14, 5, 9, 42};
const wchar_t kMarch7Prefix[] = L"[07-03-2009 - 14:05:09.042]  ";

std::wstring Build(const CTraceTime& time, const wchar_t* pszMessage, size_t nBufferChars = kTraceLineBufferChars)
{
    std::wstring buffer(nBufferChars, L'#');
    const size_t nLength = BuildTraceLine(time, pszMessage, buffer.data(), nBufferChars);
    EXPECT_EQ(buffer[nLength], L'\0');
    return buffer.substr(0, nLength);
}

TEST(TraceLineTest, PrefixTwoBlanksMessageAndOneLineFeed)
{
    EXPECT_EQ(Build(kMarch7, L"IsFileExisting failed"), std::wstring(kMarch7Prefix) + L"IsFileExisting failed\n");
    EXPECT_EQ(Build({999, 12, 31, 0, 0, 0, 0}, L"x"), L"[31-12-0999 - 00:00:00.000]  x\n");
    EXPECT_EQ(Build(kMarch7, nullptr), std::wstring(kMarch7Prefix) + L"\n");
}

TEST(TraceLineTest, MessageIsCutTo1023Characters)
{
    const std::wstring prefix = kMarch7Prefix;
    for (size_t nLength : {1022u, 1023u, 1024u, 5000u}) {
        std::wstring message;
        for (size_t i = 0; i < nLength; ++i)
            message += static_cast<wchar_t>(L'a' + i % 26);
        const std::wstring line = Build(kMarch7, message.c_str());
        const size_t nKept = nLength < 1023 ? nLength : 1023;
        EXPECT_EQ(line, prefix + message.substr(0, nKept) + L"\n") << nLength;
        EXPECT_LE(line.size(), 1053u);
    }
}

TEST(TraceLineTest, SmallBufferNeverOverflows)
{
    // Too small for the prefix: nothing. Room for part of the message: cut, still one line.
    EXPECT_EQ(Build(kMarch7, L"abc", 10), L"");
    EXPECT_EQ(Build(kMarch7, L"abcdef", 34), std::wstring(kMarch7Prefix) + L"abc\n");
    std::wstring one(1, L'#');
    EXPECT_EQ(BuildTraceLine(kMarch7, L"abc", one.data(), 1), 0u);
    EXPECT_EQ(one[0], L'\0');
}

}  // namespace

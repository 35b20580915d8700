// Scenario scripts of the router simulator: what each line becomes, and the errors a
// script author gets, with the line they are on.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/sim/Scenario.h"

namespace {

SimBytes Signals(std::initializer_list<uint8_t> levels)
{
    SimBytes bytes;
    for (uint8_t nLevel : levels) {
        const SimBytes message = EncodeSignal(nLevel);
        bytes.insert(bytes.end(), message.begin(), message.end());
    }
    return bytes;
}

struct StepCase {
    const char* pszLine;
    ScenarioAction action;
    int64_t nValue;
    int64_t nValue2;
    uint8_t nType;
    SimBytes bytes;
};

TEST(SimScenario, EachLineBecomesItsStep)
{
    using A = ScenarioAction;
    const StepCase cases[] = {
        {"keepalive 5000", A::KeepAlive, 5000, 0, 0, {}},
        {"keepalive 0", A::KeepAlive, 0, 0, 0, {}},
        {"silence", A::KeepAlive, 0, 0, 0, {}},
        {"wait-connect", A::WaitConnect, 0, 0, 0, {}},
        {"wait-connect 0x10", A::WaitConnect, 16, 0, 0, {}},
        {"expect-reconnect", A::ExpectReconnect, kScenarioDefaultReconnectMs, 0, 0, {}},
        {"expect-reconnect 30000", A::ExpectReconnect, 30000, 0, 0, {}},
        {"split 20", A::Split, 20, kScenarioDefaultSplitGapMs, 0, {}},
        {"split 1 0", A::Split, 1, 0, 0, {}},
        {"merge 2", A::Merge, 2, 0, 0, {}},
        {"sleep 500", A::Sleep, 500, 0, 0, {}},
        {"close", A::Close, 0, 0, 0, {}},
        {"reset", A::Reset, 0, 0, 0, {}},
        {"end", A::End, 0, 0, 0, {}},
        {"send connection 3", A::Send, 0, 0, 1, EncodeConnectionState(3)},
        {"send sms 17 \"07/03/2009 14:05\" \"+4912345\" \"Hello\"", A::Send, 0, 0, 2,
         EncodeSms("07/03/2009 14:05", "+4912345", "Hello", 17)},
        {"send sms 0xFFFFFFFF \"\" \"\" \"\"", A::Send, 0, 0, 2, EncodeSms("", "", "", 0xFFFFFFFFu)},
        {"send call \"  \\n \"", A::Send, 0, 0, 3, EncodeIncomingCall("  \n ")},
        {"send missed 4 \"t\" \"c\"", A::Send, 0, 0, 4, EncodeMissedCall("t", "c", 4)},
        {"send registration 1 3 5 \"Provider\"", A::Send, 0, 0, 5, EncodeRegistration(1, 3, 5, "Provider")},
        {"send signal 3", A::Send, 0, 0, 6, EncodeSignal(3)},
        {"send users 1 258", A::Send, 0, 0, 7, EncodeUsers(1, 258)},
        {"send keepalive", A::Send, 0, 0, 8, EncodeKeepAlive()},
        {"send error \"a\\\"b\\\\c\\td\"", A::Send, 0, 0, 9, EncodeError("a\"b\\c\td")},
        {"send software \"2.0\" \"http://127.0.0.1/x\"", A::Send, 0, 0, 10,
         EncodeSoftwareRequired("2.0", "http://127.0.0.1/x")},
        {"send liveupdate -2", A::Send, 0, 0, 11, EncodeLiveUpdate(-2)},
        {"send liveupdate 254", A::Send, 0, 0, 11, EncodeLiveUpdate(-2)},
        // Text bytes pass through as given: a NUL inside, UTF-8, a hex escape.
        {"send error \"ab\\0cd \xC3\xA9\\xFF\"", A::Send, 0, 0, 9, EncodeError(std::string("ab\0cd \xC3\xA9\xFF", 9))},
        {"send raw 00 06 06 02 03 00", A::Send, 0, 0, 0, {0x00, 0x06, 0x06, 0x02, 0x03, 0x00}},
        {"send raw 000606 0203ff", A::Send, 0, 0, 0, {0x00, 0x06, 0x06, 0x02, 0x03, 0xFF}},
        {"send header 5000 8 1 5000", A::Send, 0, 0, 0, EncodeRawHeader(5000, 8, 1, 5000)},
        {"send header 0 8 1", A::Send, 0, 0, 0, {0x00, 0x00, 0x08, 0x01}},
        {"  send signal 3   # comment with \"quotes\"", A::Send, 0, 0, 6, EncodeSignal(3)},
        {"send call \"#1\"#x", A::Send, 0, 0, 3, EncodeIncomingCall("#1")},
        // A flood holds one cycle of its messages; nValue2 counts them.
        {"flood 1000 signal 3", A::Flood, 1000, 1, 6, Signals({3})},
        {"flood 0x10 signal 0 1 2 200", A::Flood, 16, 4, 6, Signals({0, 1, 2, 200})},
    };
    for (const StepCase& c : cases) {
        SCOPED_TRACE(c.pszLine);
        std::vector<ScenarioStep> steps;
        ScenarioError error;
        ASSERT_TRUE(ParseScenario(c.pszLine, steps, error)) << error.message;
        ASSERT_EQ(steps.size(), 1u);
        const ScenarioStep& step = steps[0];
        EXPECT_EQ(step.action, c.action);
        EXPECT_EQ(step.nLine, 1);
        if (c.action == A::Send || c.action == A::Flood) {
            EXPECT_EQ(step.nType, c.nType);
            EXPECT_EQ(step.bytes, c.bytes);
        }
        if (c.action != A::Send) {
            EXPECT_EQ(step.nValue, c.nValue);
            EXPECT_EQ(step.nValue2, c.nValue2);
        }
    }
}

TEST(SimScenario, ScriptKeepsLinesAndSources)
{
    const char* pszScript = "# a router that comes and goes\n"
                            "keepalive 200\r\n"
                            "\n"
                            "wait-connect   # first client\n"
                            "   \t\n"
                            "send signal 3\n"
                            "close\n"
                            "end";
    std::vector<ScenarioStep> steps;
    ScenarioError error;
    ASSERT_TRUE(ParseScenario(pszScript, steps, error)) << error.message;
    ASSERT_EQ(steps.size(), 5u);
    const int lines[] = {2, 4, 6, 7, 8};
    const char* sources[] = {"keepalive 200", "wait-connect", "send signal 3", "close", "end"};
    for (size_t i = 0; i < steps.size(); ++i) {
        EXPECT_EQ(steps[i].nLine, lines[i]);
        EXPECT_EQ(steps[i].source, sources[i]);
    }
    EXPECT_TRUE(ParseScenario("", steps, error));
    EXPECT_TRUE(steps.empty());
}

struct ErrorCase {
    const char* pszScript;
    int nLine;
    const char* pszMessage;
};

TEST(SimScenario, ErrorsNameTheirLine)
{
    const ErrorCase cases[] = {
        {"wait-connect\nfrobnicate", 2, "unknown step: frobnicate"},
        {"send", 1, "send what?"},
        {"send fax \"x\"", 1, "unknown message: fax"},
        {"\n\nsend signal", 3, "missing level"},
        {"send signal 256", 1, "level must be 0 to 255: 256"},
        {"send signal three", 1, "level: not a number: three"},
        {"send signal 3 4", 1, "unexpected argument: 4"},
        {"send users 1 65536", 1, "count must be 0 to 65535: 65536"},
        {"send liveupdate -129", 1, "status must be -128 to 255: -129"},
        {"send sms 1 \"t\" \"s\" Hello", 1, "text: a text in double quotes is needed"},
        {"send sms 0x100000000 \"t\" \"s\" \"x\"", 1, "id must be 0 to 4294967295: 0x100000000"},
        {"send call \"unterminated", 1, "unterminated text"},
        {"send call \"\\q\"", 1, "unknown escape \\q"},
        {"send call \"\\x4\"", 1, "\\x needs two hex digits"},
        {"send registration 1 1 1 \"12345678901234567890123456789012345678901\"", 1,
         "operator: 41 bytes do not fit its area of 40"},
        {"send raw", 1, "raw: no bytes"},
        {"send raw 0 6", 1, "raw: bytes are hex pairs: 0"},
        {"send raw 0g", 1, "raw: bytes are hex pairs: 0g"},
        {"send header 6 6", 1, "missing version"},
        {"send header 6 6 1 3", 1, "total must be 4 to 131072: 3"},
        {"split 0", 1, "first part must be 1 to 65535: 0"},
        {"merge 1", 1, "count must be 2 to 1000: 1"},
        {"sleep -1", 1, "duration must be 0 to 3600000: -1"},
        {"keepalive", 1, "missing interval"},
        {"wait-connect 0", 1, "timeout must be 1 to 3600000: 0"},
        {"close now", 1, "unexpected argument: now"},
        {"\"send\" signal 3", 1, "a step starts with its name, not a text"},
        {"flood 0 signal 3", 1, "count must be 1 to 1000000000: 0"},
        {"flood 5", 1, "flood what?"},
        {"flood 5 users 1 2", 1, "flood: only signal messages, not users"},
        {"flood 5 signal", 1, "missing level"},
        {"flood 5 signal 3 256", 1, "level must be 0 to 255: 256"},
    };
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(c.pszScript);
        std::vector<ScenarioStep> steps;
        ScenarioError error;
        EXPECT_FALSE(ParseScenario(c.pszScript, steps, error));
        EXPECT_EQ(error.nLine, c.nLine);
        EXPECT_EQ(error.message, c.pszMessage);
    }
}

}  // namespace

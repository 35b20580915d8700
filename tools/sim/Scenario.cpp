#include "tools/sim/Scenario.h"

#include <cstdlib>

namespace {

constexpr int64_t kMaxMs = 3600000;                 // no wait in a script is longer than an hour
constexpr int64_t kNumberLimit = int64_t{1} << 40;  // beyond every field, far from overflow
constexpr int64_t kMaxHeaderTotal = 131072;

struct Token {
    std::string text;
    bool bQuoted = false;
};

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// Cuts a line into tokens; the comment and the line's source text are split off too.
bool Tokenize(std::string_view line, std::vector<Token>& tokens, std::string& source, std::string& error)
{
    size_t i = 0;
    size_t nSourceEnd = 0;
    while (i < line.size()) {
        if (IsBlank(line[i])) {
            ++i;
            continue;
        }
        if (line[i] == '#')
            break;
        Token token;
        if (line[i] == '"') {
            token.bQuoted = true;
            ++i;
            bool bClosed = false;
            while (i < line.size()) {
                const char c = line[i++];
                if (c == '"') {
                    bClosed = true;
                    break;
                }
                if (c != '\\') {
                    token.text += c;
                    continue;
                }
                if (i >= line.size())
                    break;
                const char e = line[i++];
                switch (e) {
                case '"':
                    token.text += '"';
                    break;
                case '\\':
                    token.text += '\\';
                    break;
                case 'n':
                    token.text += '\n';
                    break;
                case 'r':
                    token.text += '\r';
                    break;
                case 't':
                    token.text += '\t';
                    break;
                case '0':
                    token.text += '\0';
                    break;
                case 'x': {
                    const int nHigh = i < line.size() ? HexDigit(line[i]) : -1;
                    const int nLow = i + 1 < line.size() ? HexDigit(line[i + 1]) : -1;
                    if (nHigh < 0 || nLow < 0) {
                        error = "\\x needs two hex digits";
                        return false;
                    }
                    token.text += static_cast<char>(nHigh * 16 + nLow);
                    i += 2;
                    break;
                }
                default:
                    error = std::string("unknown escape \\") + e;
                    return false;
                }
            }
            if (!bClosed) {
                error = "unterminated text";
                return false;
            }
        } else {
            while (i < line.size() && !IsBlank(line[i]) && line[i] != '#' && line[i] != '"')
                token.text += line[i++];
        }
        nSourceEnd = i;
        tokens.push_back(std::move(token));
    }
    const size_t nStart = line.find_first_not_of(" \t\r\v\f");
    source = nStart < nSourceEnd ? std::string(line.substr(nStart, nSourceEnd - nStart)) : std::string();
    return true;
}

// Reads the arguments of one line, each with its own check, and remembers the first error.
class CArgReader {
public:
    CArgReader(const std::vector<Token>& tokens, size_t nFirst, std::string& error)
        : m_tokens(tokens), m_nNext(nFirst), m_error(error)
    {
    }

    bool More() const { return m_nNext < m_tokens.size(); }

    bool Number(const char* pszWhat, int64_t nMin, int64_t nMax, int64_t& nValue)
    {
        if (!Available(pszWhat))
            return false;
        const Token& token = m_tokens[m_nNext++];
        const std::string& s = token.text;
        if (token.bQuoted || s.empty())
            return Fail(std::string(pszWhat) + ": not a number");
        size_t i = 0;
        const bool bNegative = s[0] == '-';
        if (bNegative)
            ++i;
        int nBase = 10;
        if (s.size() > i + 2 && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
            nBase = 16;
            i += 2;
        }
        if (i >= s.size())
            return Fail(std::string(pszWhat) + ": not a number: " + s);
        int64_t nResult = 0;
        for (; i < s.size(); ++i) {
            const int nDigit = HexDigit(s[i]);
            if (nDigit < 0 || nDigit >= nBase)
                return Fail(std::string(pszWhat) + ": not a number: " + s);
            nResult = nResult * nBase + nDigit;
            if (nResult > kNumberLimit)
                return Fail(std::string(pszWhat) + ": out of range: " + s);
        }
        if (bNegative)
            nResult = -nResult;
        if (nResult < nMin || nResult > nMax)
            return Fail(std::string(pszWhat) + " must be " + std::to_string(nMin) + " to " + std::to_string(nMax) +
                        ": " + s);
        nValue = nResult;
        return true;
    }

    bool Byte(const char* pszWhat, uint8_t& nValue)
    {
        int64_t n = 0;
        if (!Number(pszWhat, 0, 255, n))
            return false;
        nValue = static_cast<uint8_t>(n);
        return true;
    }

    bool Text(const char* pszWhat, size_t nWidth, std::string& text)
    {
        if (!Available(pszWhat))
            return false;
        const Token& token = m_tokens[m_nNext++];
        if (!token.bQuoted)
            return Fail(std::string(pszWhat) + ": a text in double quotes is needed");
        if (token.text.size() > nWidth)
            return Fail(std::string(pszWhat) + ": " + std::to_string(token.text.size()) +
                        " bytes do not fit its area of " + std::to_string(nWidth));
        text = token.text;
        return true;
    }

    // Hex pairs, in as many tokens as are left.
    bool HexBytes(SimBytes& bytes)
    {
        if (!More())
            return Fail("raw: no bytes");
        while (More()) {
            const Token& token = m_tokens[m_nNext++];
            if (token.bQuoted || token.text.size() % 2 != 0)
                return Fail("raw: bytes are hex pairs: " + token.text);
            for (size_t i = 0; i < token.text.size(); i += 2) {
                const int nHigh = HexDigit(token.text[i]);
                const int nLow = HexDigit(token.text[i + 1]);
                if (nHigh < 0 || nLow < 0)
                    return Fail("raw: bytes are hex pairs: " + token.text);
                bytes.push_back(static_cast<uint8_t>(nHigh * 16 + nLow));
            }
        }
        return true;
    }

    bool Finish()
    {
        if (More())
            return Fail("unexpected argument: " + m_tokens[m_nNext].text);
        return true;
    }

private:
    bool Available(const char* pszWhat)
    {
        if (More())
            return true;
        return Fail(std::string("missing ") + pszWhat);
    }

    bool Fail(const std::string& message)
    {
        m_error = message;
        return false;
    }

    const std::vector<Token>& m_tokens;
    size_t m_nNext;
    std::string& m_error;
};

bool ParseSend(CArgReader& args, const std::string& what, ScenarioStep& step, std::string& error)
{
    using namespace SimTextWidth;
    int64_t nId = 0;
    uint8_t a = 0, b = 0, c = 0;
    int64_t n = 0, nTotal = 4;
    std::string s1, s2, s3;
    bool bOk = false;
    if (what == "connection") {
        bOk = args.Byte("state", a);
        step.bytes = EncodeConnectionState(a);
        step.nType = 1;
    } else if (what == "sms") {
        bOk = args.Number("id", 0, 0xFFFFFFFF, nId) && args.Text("time", SmsTime, s1) &&
              args.Text("sender", SmsSender, s2) && args.Text("text", SmsText, s3);
        step.bytes = EncodeSms(s1, s2, s3, static_cast<uint32_t>(nId));
        step.nType = 2;
    } else if (what == "call") {
        bOk = args.Text("caller", Caller, s1);
        step.bytes = EncodeIncomingCall(s1);
        step.nType = 3;
    } else if (what == "missed") {
        bOk = args.Number("id", 0, 0xFFFFFFFF, nId) && args.Text("time", MissedTime, s1) &&
              args.Text("caller", MissedCaller, s2);
        step.bytes = EncodeMissedCall(s1, s2, static_cast<uint32_t>(nId));
        step.nType = 4;
    } else if (what == "registration") {
        bOk = args.Byte("cs state", a) && args.Byte("ps state", b) && args.Byte("technology", c) &&
              args.Text("operator", Operator, s1);
        step.bytes = EncodeRegistration(a, b, c, s1);
        step.nType = 5;
    } else if (what == "signal") {
        bOk = args.Byte("level", a);
        step.bytes = EncodeSignal(a);
        step.nType = 6;
    } else if (what == "users") {
        bOk = args.Byte("kind", a) && args.Number("count", 0, 0xFFFF, n);
        step.bytes = EncodeUsers(a, static_cast<uint16_t>(n));
        step.nType = 7;
    } else if (what == "keepalive") {
        bOk = true;
        step.bytes = EncodeKeepAlive();
        step.nType = 8;
    } else if (what == "error") {
        bOk = args.Text("text", ErrorText, s1);
        step.bytes = EncodeError(s1);
        step.nType = 9;
    } else if (what == "software") {
        bOk = args.Text("version", Version, s1) && args.Text("url", Url, s2);
        step.bytes = EncodeSoftwareRequired(s1, s2);
        step.nType = 10;
    } else if (what == "liveupdate") {
        bOk = args.Number("status", -128, 255, n);
        step.bytes = EncodeLiveUpdate(static_cast<int8_t>(static_cast<uint8_t>(n & 0xFF)));
        step.nType = 11;
    } else if (what == "raw") {
        bOk = args.HexBytes(step.bytes);
    } else if (what == "header") {
        bOk = args.Number("length", 0, 0xFFFF, n) && args.Byte("type", a) && args.Byte("version", b) &&
              (!args.More() || args.Number("total", 4, kMaxHeaderTotal, nTotal));
        step.bytes = EncodeRawHeader(static_cast<uint16_t>(n), a, b, static_cast<size_t>(nTotal));
    } else {
        error = "unknown message: " + what;
        return false;
    }
    if (!bOk)
        return false;
    return args.Finish();
}

// flood COUNT signal LEVEL [LEVEL...]: the cycle of messages goes into the step's bytes.
bool ParseFlood(CArgReader& args, const std::vector<Token>& tokens, ScenarioStep& step, std::string& error)
{
    if (!args.Number("count", 1, kScenarioMaxFloodCount, step.nValue))
        return false;
    if (tokens.size() < 3 || tokens[2].bQuoted || tokens[2].text != "signal") {
        error = tokens.size() < 3 ? "flood what?" : "flood: only signal messages, not " + tokens[2].text;
        return false;
    }
    CArgReader levels(tokens, 3, error);
    do {
        uint8_t nLevel = 0;
        if (!levels.Byte("level", nLevel))
            return false;
        const SimBytes message = EncodeSignal(nLevel);
        step.bytes.insert(step.bytes.end(), message.begin(), message.end());
        ++step.nValue2;
    } while (levels.More());
    step.nType = 6;
    return true;
}

bool ParseLine(const std::vector<Token>& tokens, ScenarioStep& step, std::string& error)
{
    const Token& keyword = tokens[0];
    const std::string& k = keyword.text;
    CArgReader args(tokens, 1, error);
    if (keyword.bQuoted) {
        error = "a step starts with its name, not a text";
        return false;
    }
    if (k == "keepalive") {
        step.action = ScenarioAction::KeepAlive;
        return args.Number("interval", 0, kMaxMs, step.nValue) && args.Finish();
    }
    if (k == "silence") {
        step.action = ScenarioAction::KeepAlive;
        step.nValue = 0;
        return args.Finish();
    }
    if (k == "wait-connect") {
        step.action = ScenarioAction::WaitConnect;
        return (!args.More() || args.Number("timeout", 1, kMaxMs, step.nValue)) && args.Finish();
    }
    if (k == "expect-reconnect") {
        step.action = ScenarioAction::ExpectReconnect;
        step.nValue = kScenarioDefaultReconnectMs;
        return (!args.More() || args.Number("timeout", 1, kMaxMs, step.nValue)) && args.Finish();
    }
    if (k == "send") {
        step.action = ScenarioAction::Send;
        if (!args.More() || tokens[1].bQuoted) {
            error = "send what?";
            return false;
        }
        CArgReader sendArgs(tokens, 2, error);
        return ParseSend(sendArgs, tokens[1].text, step, error);
    }
    if (k == "flood") {
        step.action = ScenarioAction::Flood;
        return ParseFlood(args, tokens, step, error);
    }
    if (k == "split") {
        step.action = ScenarioAction::Split;
        step.nValue2 = kScenarioDefaultSplitGapMs;
        return args.Number("first part", 1, 65535, step.nValue) &&
               (!args.More() || args.Number("gap", 0, kMaxMs, step.nValue2)) && args.Finish();
    }
    if (k == "merge") {
        step.action = ScenarioAction::Merge;
        return args.Number("count", 2, 1000, step.nValue) && args.Finish();
    }
    if (k == "sleep") {
        step.action = ScenarioAction::Sleep;
        return args.Number("duration", 0, kMaxMs, step.nValue) && args.Finish();
    }
    if (k == "close" || k == "reset" || k == "end") {
        step.action = k == "close" ? ScenarioAction::Close : k == "reset" ? ScenarioAction::Reset : ScenarioAction::End;
        return args.Finish();
    }
    error = "unknown step: " + k;
    return false;
}

}  // namespace

bool ParseScenario(std::string_view script, std::vector<ScenarioStep>& steps, ScenarioError& error)
{
    steps.clear();
    int nLine = 0;
    size_t nPos = 0;
    while (nPos <= script.size()) {
        size_t nEnd = script.find('\n', nPos);
        if (nEnd == std::string_view::npos)
            nEnd = script.size();
        const std::string_view line = script.substr(nPos, nEnd - nPos);
        nPos = nEnd + 1;
        ++nLine;

        std::vector<Token> tokens;
        ScenarioStep step;
        std::string message;
        if (Tokenize(line, tokens, step.source, message)) {
            if (tokens.empty())
                continue;
            if (ParseLine(tokens, step, message)) {
                step.nLine = nLine;
                steps.push_back(std::move(step));
                continue;
            }
        }
        error.nLine = nLine;
        error.message = message;
        return false;
    }
    return true;
}

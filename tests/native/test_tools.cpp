// CTools::Utf8ToUtf16: the decoding of one text field, straight over an area that ends its
// heap block, so a sanitizer build catches any read past the area.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/Log.h"
#include "link/Tools.h"
#include "tests/native/LogCapture.h"

namespace {

// The decoder gives UTF-16 code units in every build; compare them as such.
std::u16string Units(const std::wstring& str)
{
    std::u16string units;
    for (wchar_t ch : str) {
        EXPECT_LE(static_cast<uint32_t>(ch), 0xFFFFu) << "not a UTF-16 code unit";
        units.push_back(static_cast<char16_t>(ch));
    }
    return units;
}

class Utf8ToUtf16Test : public ::testing::Test {
protected:
    CLogCapture m_log{0};

    // Copies the area into a block of exactly nWidth bytes and decodes it.
    static std::wstring Decode(int16_t nWidth, int16_t nLength, const std::string& area,
                               const wchar_t* pFallback = nullptr)
    {
        const size_t nBlock = nWidth > 0 ? static_cast<size_t>(nWidth) : 0;
        std::unique_ptr<uint8_t[]> pArea(new uint8_t[nBlock]);
        for (size_t i = 0; i < nBlock; ++i)
            pArea[i] = i < area.size() ? static_cast<uint8_t>(area[i]) : 'Z';
        return CTools::Utf8ToUtf16(nWidth, nLength, pArea.get(), pFallback);
    }
};

// Length of the case's area text, whatever it is.
constexpr int kTextLength = 1 << 20;

struct DecodeCase {
    const char* pszName;
    int16_t nWidth;
    int nLength;  // the value of the length field, or kTextLength
    std::string area;
    const wchar_t* pFallback;
    std::u16string expected;
};

const DecodeCase kCases[] = {
    {"plain", 40, kTextLength, "Vodafone", nullptr, u"Vodafone"},
    {"bytes beyond the length are ignored", 40, 3, "abcdef", nullptr, u"abc"},
    {"NUL ends the text", 40, 5, std::string("ab\0cd", 5), nullptr, u"ab"},
    {"NUL first", 40, 3, std::string("\0ab", 3), L"FB", u"FB"},
    {"blanks trimmed at both ends", 40, kTextLength, "  name ", nullptr, u"name"},
    {"inner blanks kept", 40, kTextLength, "\t a  b\r\n", nullptr, u"a  b"},
    {"all blank, no fallback", 40, kTextLength, " \t\r\n\v\f ", nullptr, u""},
    {"all blank, fallback", 40, kTextLength, " \r\n ", L"Withheld", u"Withheld"},
    {"zero length, no fallback", 40, 0, "abc", nullptr, u""},
    {"zero length, fallback", 40, 0, "abc", L"Withheld", u"Withheld"},
    {"fallback unused when text is there", 40, kTextLength, " x ", L"Withheld", u"x"},
    {"zero width", 0, 5, "", L"FB", u"FB"},
    // Lengths that do not fit the area are cut to it: the block ends with the area.
    {"length above width", 4, 100, "abcd", nullptr, u"abcd"},
    {"length 0xFFFF", 4, -1, "abcd", nullptr, u"abcd"},
    {"length 0x8000", 4, -32768, "abcd", nullptr, u"abcd"},
    {"length of a full 800-byte area", 800, 800, std::string(799, 'x') + "y", nullptr,
     std::u16string(799, u'x') + u"y"},
    // UTF-8, and what the platform decoder makes of ill-formed input: one U+FFFD per
    // maximal ill-formed subpart.
    {"two-byte", 40, kTextLength, "caf\xC3\xA9", nullptr, u"caf\u00E9"},
    {"three-byte", 40, kTextLength, "5 \xE2\x82\xAC", nullptr, u"5 \u20AC"},
    {"four-byte gives a surrogate pair", 40, kTextLength, "\xF0\x9F\x98\x80!", nullptr, u"\U0001F600!"},
    {"highest code point", 40, kTextLength, "\xF4\x8F\xBF\xBF", nullptr, u"\U0010FFFF"},
    {"stray continuation", 40, kTextLength, "a\x80z", nullptr, u"a\uFFFDz"},
    {"never a lead: C0 C1 F5 FF", 40, kTextLength, "\xC0\xC1\xF5\xFF", nullptr, u"\uFFFD\uFFFD\uFFFD\uFFFD"},
    {"overlong two-byte", 40, kTextLength, "\xC0\xAF", nullptr, u"\uFFFD\uFFFD"},
    {"overlong three-byte", 40, kTextLength, "\xE0\x80\xAF", nullptr, u"\uFFFD\uFFFD\uFFFD"},
    {"encoded surrogate", 40, kTextLength, "\xED\xA0\x80", nullptr, u"\uFFFD\uFFFD\uFFFD"},
    {"above U+10FFFF", 40, kTextLength, "\xF4\x90\x80\x80", nullptr, u"\uFFFD\uFFFD\uFFFD\uFFFD"},
    {"truncated three-byte is one U+FFFD", 40, kTextLength,
     "\xE2\x82"
     "A",
     nullptr, u"\uFFFDA"},
    {"truncated four-byte is one U+FFFD", 40, kTextLength,
     "\xF0\x9F\x98"
     "A",
     nullptr, u"\uFFFDA"},
    {"sequence cut by the length", 40, 2, "\xE2\x82\xAC", nullptr, u"\uFFFD"},
    {"sequence cut by the area end", 3, 3, "ab\xE2", nullptr, u"ab\uFFFD"},
    {"sequence cut by a NUL", 40, 4, std::string("\xE2\x82\0x", 4), nullptr, u"\uFFFD"},
    {"replacement characters are not trimmed", 40, kTextLength, " \xFF ", L"FB", u"\uFFFD"},
};

TEST_F(Utf8ToUtf16Test, DecodesTable)
{
    for (const DecodeCase& c : kCases) {
        SCOPED_TRACE(c.pszName);
        const int16_t nLength =
            static_cast<int16_t>(c.nLength == kTextLength ? static_cast<int>(c.area.size()) : c.nLength);
        EXPECT_EQ(Units(Decode(c.nWidth, nLength, c.area, c.pFallback)), c.expected);
    }
    EXPECT_TRUE(g_lines.empty()) << "no case is a failure";
}

// The ASCII fast path takes eight bytes at a time: a multi-byte character must come out
// right wherever it falls relative to those blocks, and so must the last bytes.
TEST_F(Utf8ToUtf16Test, MultiByteAtEveryPositionAroundTheFastPath)
{
    for (size_t nTotal = 1; nTotal <= 26; ++nTotal) {
        for (size_t nAt = 0; nAt + 1 <= nTotal; ++nAt) {
            std::string area;
            std::u16string expected;
            for (size_t i = 0; i < nTotal; ++i) {
                if (i == nAt) {
                    area += "\xE2\x82\xAC";
                    expected += u'\u20AC';
                } else {
                    area += static_cast<char>('a' + i % 26);
                    expected += static_cast<char16_t>(u'a' + i % 26);
                }
            }
            SCOPED_TRACE(testing::Message() << "length " << nTotal << ", euro at " << nAt);
            EXPECT_EQ(Units(Decode(static_cast<int16_t>(area.size()), static_cast<int16_t>(area.size()), area)),
                      expected);
        }
    }
}

TEST_F(Utf8ToUtf16Test, WidestAcceptedWidth)
{
    const std::string area(2047, 'a');
    EXPECT_EQ(Decode(2047, 2047, area), std::wstring(2047, L'a'));
    EXPECT_TRUE(g_lines.empty());
}

TEST_F(Utf8ToUtf16Test, WidthAbove2047IsRefusedWithoutFallback)
{
    for (int16_t nWidth : {int16_t(2048), int16_t(32767)}) {
        g_lines.clear();
        EXPECT_EQ(Decode(nWidth, 3, "abc", L"Withheld"), L"");
        ASSERT_EQ(g_lines.size(), 1u) << nWidth;
        EXPECT_EQ(g_lines[0], L"CTools::Utf8ToUtf16, NOK.");
    }
}

}  // namespace

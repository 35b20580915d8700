#include <gmock/gmock.h>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "app/LastError.h"
#include "app/Log.h"
#include "app/StringBlock.h"

namespace {

std::vector<std::wstring> s_blockLog;
void CaptureBlockLog(const wchar_t* pszLine)
{
    s_blockLog.emplace_back(pszLine);
}

constexpr uint32_t kUntouched = 0x20001234;

// A block as the resource compiler lays it out: per entry a little-endian count, then the
// units. Strings are ASCII here, one unit per character.
std::vector<uint8_t> Block(std::initializer_list<const char*> entries)
{
    std::vector<uint8_t> bytes;
    for (const char* psz : entries) {
        const std::string text(psz);
        bytes.push_back(static_cast<uint8_t>(text.size() & 0xFF));
        bytes.push_back(static_cast<uint8_t>(text.size() >> 8));
        for (char c : text) {
            bytes.push_back(static_cast<uint8_t>(c));
            bytes.push_back(0);
        }
    }
    return bytes;
}

// The 16 entries of a full block: entry i holds "s<i>" where present[i], else nothing.
std::vector<uint8_t> FullBlock(uint16_t nPresentMask)
{
    static const char* const kTexts[16] = {"s0", "s1", "s2",  "s3",  "s4",  "s5",  "s6",  "s7",
                                           "s8", "s9", "s10", "s11", "s12", "s13", "s14", "s15"};
    std::vector<uint8_t> bytes;
    for (unsigned i = 0; i < 16; ++i) {
        const std::vector<uint8_t> entry = Block({(nPresentMask >> i) & 1 ? kTexts[i] : ""});
        bytes.insert(bytes.end(), entry.begin(), entry.end());
    }
    return bytes;
}

std::vector<uint8_t> Cut(std::vector<uint8_t> bytes, size_t nSize)
{
    bytes.resize(nSize);
    return bytes;
}

std::string EntryText(const CStringBlockEntry& entry)
{
    std::string text;
    for (uint16_t i = 0; i < entry.nCount; ++i)
        text.push_back(static_cast<char>(entry.pEntry[2 + 2 * i]));
    return text;
}

enum class Outcome { Found, Absent, Invalid, Invalid2 };

struct BlockCase {
    const char* name;
    std::vector<uint8_t> block;
    unsigned nIndex;
    Outcome outcome;
    const char* text;  // Found: the entry's text
};

class StringBlockTest : public testing::Test {
protected:
    void SetUp() override
    {
        s_blockLog.clear();
        m_pfnPrevious = XLogSetSink(&CaptureBlockLog);
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

TEST_F(StringBlockTest, WalkFindsEntriesAndRejectsEveryMalformedBlock)
{
    const std::vector<uint8_t> full = FullBlock(0xFFFF);  // 16 entries, "s0".."s15"
    const BlockCase cases[] = {
        {"first entry", full, 0, Outcome::Found, "s0"},
        {"middle entry", full, 7, Outcome::Found, "s7"},
        {"entry 15 ends exactly at the block's end", full, 15, Outcome::Found, "s15"},
        {"count 0 is an absent string", FullBlock(0xFFFF & ~(1u << 4)), 4, Outcome::Absent, nullptr},
        {"empty entries before the wanted one", FullBlock(1u << 9), 9, Outcome::Found, "s9"},
        {"block shorter than 16 entries is enough", Block({"a", "bc"}), 1, Outcome::Found, "bc"},
        {"trailing bytes after the entries do not matter",
         [] {
             std::vector<uint8_t> b = Block({"xyz"});
             b.push_back(0x7F);
             return b;
         }(),
         0, Outcome::Found, "xyz"},
        {"empty block", {}, 0, Outcome::Invalid, nullptr},
        {"single byte: no room for a count", {0x01}, 0, Outcome::Invalid, nullptr},
        {"odd size ends inside the next count", Cut(full, 4 + 4 + 1), 2, Outcome::Invalid, nullptr},
        {"block ends before the wanted entry", Cut(full, 4 * 3), 3, Outcome::Invalid, nullptr},
        {"skipped entry runs past the end", Block({"abc"}), 1, Outcome::Invalid, nullptr},
        {"skipped entry with a huge count", {0xFF, 0xFF, 'a', 0, 'b', 0}, 1, Outcome::Invalid, nullptr},
        {"truncated inside the wanted entry", Cut(Block({"abcdef"}), 2 + 6), 0, Outcome::Invalid2, nullptr},
        {"truncated by one byte in the wanted entry", Cut(full, full.size() - 1), 15, Outcome::Invalid2, nullptr},
        {"count alone, text missing", {0x03, 0x00}, 0, Outcome::Invalid2, nullptr},
    };

    for (const BlockCase& c : cases) {
        SCOPED_TRACE(c.name);
        s_blockLog.clear();
        XSetLastError(kUntouched);
        // An exact-size heap copy, so a sanitizer build catches any read past the block.
        std::unique_ptr<uint8_t[]> copy(new uint8_t[c.block.size()]);
        std::copy(c.block.begin(), c.block.end(), copy.get());
        CStringBlockEntry entry;
        entry.nCount = 99;
        const bool bFound = FindStringBlockEntry(copy.get(), c.block.size(), c.nIndex, &entry);

        switch (c.outcome) {
        case Outcome::Found:
            ASSERT_TRUE(bFound);
            EXPECT_EQ(EntryText(entry), c.text);
            EXPECT_THAT(s_blockLog, testing::IsEmpty());
            break;
        case Outcome::Absent:
            EXPECT_FALSE(bFound);
            EXPECT_EQ(XGetLastError(), 1814u);
            EXPECT_THAT(s_blockLog, testing::IsEmpty());
            break;
        case Outcome::Invalid:
            EXPECT_FALSE(bFound);
            EXPECT_EQ(XGetLastError(), 13u);
            EXPECT_THAT(s_blockLog, testing::ElementsAre(L"GetStringResourceImage: invalid resources.\n"));
            break;
        case Outcome::Invalid2:
            EXPECT_FALSE(bFound);
            EXPECT_EQ(XGetLastError(), 13u);
            EXPECT_THAT(s_blockLog, testing::ElementsAre(L"GetStringResourceImage: invalid resources [2].\n"));
            break;
        }
        if (!bFound) {
            EXPECT_EQ(entry.pEntry, nullptr);
            EXPECT_EQ(entry.nCount, 0);
        }
    }
}

TEST_F(StringBlockTest, MessagesAreWarningsHiddenByTheErrorOnlyFilter)
{
    XLogSetLevel(3);
    const std::vector<uint8_t> block = Block({"abc"});
    CStringBlockEntry entry;
    EXPECT_FALSE(FindStringBlockEntry(block.data(), 3, 0, &entry));
    EXPECT_EQ(XGetLastError(), 13u);
    EXPECT_THAT(s_blockLog, testing::IsEmpty());
}

}  // namespace

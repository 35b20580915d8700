// The SMS and missed-call records and their lists: display texts with their labels and
// fallbacks, ids in host order, newest-first chains, the SMS page counter and its bounds.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "alerts/MissedCall.h"
#include "alerts/MissedCallList.h"
#include "alerts/SmsMessage.h"
#include "alerts/SmsMessageList.h"
#include "app/AppString.h"
#include "link/WireProtocol.h"

namespace {

// A message of exactly its type's size (a sanitizer build sees any read past its end),
// preset to 'Z' so that a read beyond a field's used bytes shows in the text.
std::vector<uint8_t> MakeMessage(MsgType nType)
{
    std::vector<uint8_t> msg(MsgTotalSize(nType), 'Z');
    msg[WireHeader::TotalLength] = static_cast<uint8_t>(msg.size() >> 8);
    msg[WireHeader::TotalLength + 1] = static_cast<uint8_t>(msg.size());
    msg[WireHeader::Type] = nType;
    msg[WireHeader::Version] = WireHeader::ProtocolVersion;
    return msg;
}

void PutText(std::vector<uint8_t>& msg, const WireTextField& field, const std::string& text)
{
    ASSERT_LE(text.size(), static_cast<size_t>(field.nAreaWidth));
    msg[field.nLengthOffset] = static_cast<uint8_t>(text.size() >> 8);
    msg[field.nLengthOffset + 1] = static_cast<uint8_t>(text.size());
    std::copy(text.begin(), text.end(), msg.begin() + static_cast<ptrdiff_t>(field.nAreaOffset));
}

void PutU32(std::vector<uint8_t>& msg, size_t nOffset, uint32_t nValue)
{
    for (size_t i = 0; i < 4; ++i)
        msg[nOffset + i] = static_cast<uint8_t>(nValue >> (24 - 8 * i));
}

std::vector<uint8_t> MakeSms(uint32_t nId, const std::string& time = "01.02.09 10:15",
                             const std::string& sender = "+491701234", const std::string& text = "Hi")
{
    std::vector<uint8_t> msg = MakeMessage(MsgSmsReceived);
    PutText(msg, SmsReceivedLayout::Time, time);
    PutText(msg, SmsReceivedLayout::Sender, sender);
    PutText(msg, SmsReceivedLayout::Text, text);
    PutU32(msg, SmsReceivedLayout::SmsId, nId);
    return msg;
}

std::vector<uint8_t> MakeMissedCall(uint32_t nId, const std::string& time = "01.02.09 10:15",
                                    const std::string& caller = "+491701234")
{
    std::vector<uint8_t> msg = MakeMessage(MsgMissedCall);
    PutText(msg, MissedCallLayout::Time, time);
    PutText(msg, MissedCallLayout::Caller, caller);
    PutU32(msg, MissedCallLayout::CallId, nId);
    return msg;
}

template <class TList, class TMake>
void AddAll(TList& list, const std::vector<uint32_t>& ids, TMake make)
{
    for (uint32_t nId : ids) {
        const std::vector<uint8_t> msg = make(nId);
        list.Add(msg.data(), msg.size());
    }
}

std::vector<uint8_t> MakeSmsWithId(uint32_t nId)
{
    return MakeSms(nId);
}

std::vector<uint8_t> MakeMissedCallWithId(uint32_t nId)
{
    return MakeMissedCall(nId);
}

// The chain from the newest along m_pOlder holds the ids in order, and m_pNewer leads
// back from the oldest the same way.
template <class TRecord>
void ExpectChain(const TRecord* pNewest, const std::vector<uint32_t>& newestFirst)
{
    ASSERT_NE(pNewest, nullptr);
    EXPECT_EQ(pNewest->m_pNewer, nullptr);
    std::vector<uint32_t> ids;
    const TRecord* pOldest = nullptr;
    for (const TRecord* p = pNewest; p != nullptr; p = p->m_pOlder) {
        ids.push_back(p->GetId());
        pOldest = p;
    }
    EXPECT_EQ(ids, newestFirst);
    std::vector<uint32_t> oldestFirst;
    for (const TRecord* p = pOldest; p != nullptr; p = p->m_pNewer)
        oldestFirst.push_back(p->GetId());
    EXPECT_EQ(oldestFirst, std::vector<uint32_t>(newestFirst.rbegin(), newestFirst.rend()));
}

// ---- SMS record texts ----

struct SmsTextCase {
    const char* pszName;
    std::string time, sender, text;
    std::wstring strReceived, strSender, strText;
};

const SmsTextCase kSmsTextCases[] = {
    {"plain", "01.02.09 10:15", "+491701234", "See you at 8", L"Received 01.02.09 10:15", L"From: +491701234",
     L"See you at 8"},
    {"all empty", "", "", "", L"Received ", L"From: Withheld", L""},
    {"blank sender", "10:15", "  \t ", "x", L"Received 10:15", L"From: Withheld", L"x"},
    {"outer white space trimmed, inner kept", " \t10:15 \r\n", "\n Anna  Maria \t", "\r\n line 1\nline 2 \t",
     L"Received 10:15", L"From: Anna  Maria", L"line 1\nline 2"},
    // Texts stay in UTF-16 code units: one letter outside the basic plane is two units.
    {"non-ASCII", "10:15", "J\xC3\xB6rg", "\xF0\x9F\x98\x80!", L"Received 10:15", L"From: J\u00F6rg",
     std::wstring{wchar_t(0xD83D), wchar_t(0xDE00), L'!'}},
};

class SmsRecordTexts : public ::testing::TestWithParam<SmsTextCase> {};

TEST_P(SmsRecordTexts, LabelsAndFallbacks)
{
    const SmsTextCase& c = GetParam();
    const std::vector<uint8_t> msg = MakeSms(1, c.time, c.sender, c.text);
    const CSmsMessage record(msg.data(), msg.size());
    EXPECT_EQ(record.GetReceivedText(), c.strReceived) << c.pszName;
    EXPECT_EQ(record.GetSenderText(), c.strSender) << c.pszName;
    EXPECT_EQ(record.GetMessageText(), c.strText) << c.pszName;
}

INSTANTIATE_TEST_SUITE_P(Cases, SmsRecordTexts, ::testing::ValuesIn(kSmsTextCases));

TEST(SmsRecord, KeepsItsOwnCopyAndReadsTheIdInHostOrder)
{
    std::vector<uint8_t> msg = MakeSms(0xDEADBEEF, "10:15", "Anna", "Hello");
    const CSmsMessage record(msg.data(), msg.size());
    msg = MakeSms(2, "11:00", "Bert", "Bye");

    EXPECT_EQ(record.GetId(), 0xDEADBEEFu);
    EXPECT_EQ(record.GetReceivedText(), L"Received 10:15");
    EXPECT_EQ(record.GetSenderText(), L"From: Anna");
    EXPECT_EQ(record.GetMessageText(), L"Hello");
}

TEST(SmsRecord, ShortMessageIsNotReadBeyondItsSize)
{
    const std::vector<uint8_t> msg(20, 0);
    const CSmsMessage record(msg.data(), msg.size());
    EXPECT_EQ(record.GetId(), 0u);
    EXPECT_EQ(record.GetSenderText(), L"From: Withheld");
    EXPECT_EQ(record.GetMessageText(), L"");
}

// ---- SMS list ----

// Walks m_nCurrent steps from the newest record: the list's own position invariant.
const CSmsMessage* RecordAtCurrentPosition(const CSmsMessageList& list)
{
    const CSmsMessage* pRecord = list.m_pNewest;
    for (int32_t i = 0; i < list.m_nCurrent && pRecord != nullptr; ++i)
        pRecord = pRecord->m_pOlder;
    return pRecord;
}

TEST(SmsList, EmptyListShowsNothingAndIgnoresMoves)
{
    CSmsMessageList list;
    list.MoveToNewer();
    list.MoveToOlder();
    EXPECT_EQ(list.GetCounterText(), L"");
    EXPECT_EQ(list.m_pCurrent, nullptr);
    EXPECT_EQ(list.m_pNewest, nullptr);
    EXPECT_EQ(list.m_nCount, 0);
    EXPECT_EQ(list.m_nCurrent, -1);
    EXPECT_FALSE(list.Contains(0));
}

enum class SmsStep { Add, Newer, Older };

struct SmsPagingStep {
    SmsStep nStep;
    uint32_t nId;  // Add: the new SMS's id; moves: unused
    const wchar_t* pszCounter;
    uint32_t nCurrentId;
};

struct SmsPagingCase {
    const char* pszName;
    std::vector<SmsPagingStep> steps;
};

const SmsPagingCase kSmsPagingCases[] = {
    {"one SMS: both moves keep it",
     {{SmsStep::Add, 1, L"SMS Messages 1/1", 1},
      {SmsStep::Newer, 0, L"SMS Messages 1/1", 1},
      {SmsStep::Older, 0, L"SMS Messages 1/1", 1}}},
    {"three SMS: to the oldest and back, no wrap at either end",
     {{SmsStep::Add, 1, L"SMS Messages 1/1", 1},
      {SmsStep::Add, 2, L"SMS Messages 1/2", 2},
      {SmsStep::Add, 3, L"SMS Messages 1/3", 3},
      {SmsStep::Newer, 0, L"SMS Messages 1/3", 3},
      {SmsStep::Older, 0, L"SMS Messages 2/3", 2},
      {SmsStep::Older, 0, L"SMS Messages 3/3", 1},
      {SmsStep::Older, 0, L"SMS Messages 3/3", 1},
      {SmsStep::Newer, 0, L"SMS Messages 2/3", 2},
      {SmsStep::Newer, 0, L"SMS Messages 1/3", 3},
      {SmsStep::Newer, 0, L"SMS Messages 1/3", 3}}},
    {"a new SMS while an older one is shown becomes current",
     {{SmsStep::Add, 10, L"SMS Messages 1/1", 10},
      {SmsStep::Add, 20, L"SMS Messages 1/2", 20},
      {SmsStep::Older, 0, L"SMS Messages 2/2", 10},
      {SmsStep::Add, 30, L"SMS Messages 1/3", 30},
      {SmsStep::Older, 0, L"SMS Messages 2/3", 20},
      {SmsStep::Older, 0, L"SMS Messages 3/3", 10}}},
    {"order of arrival, not of ids",
     {{SmsStep::Add, 9, L"SMS Messages 1/1", 9},
      {SmsStep::Add, 3, L"SMS Messages 1/2", 3},
      {SmsStep::Older, 0, L"SMS Messages 2/2", 9}}},
};

class SmsListPaging : public ::testing::TestWithParam<SmsPagingCase> {};

TEST_P(SmsListPaging, CounterAndCurrentAfterEachStep)
{
    const SmsPagingCase& c = GetParam();
    CSmsMessageList list;
    int32_t nAdded = 0;
    for (size_t i = 0; i < c.steps.size(); ++i) {
        const SmsPagingStep& step = c.steps[i];
        if (step.nStep == SmsStep::Add) {
            const std::vector<uint8_t> msg = MakeSms(step.nId);
            list.Add(msg.data(), msg.size());
            ++nAdded;
        } else if (step.nStep == SmsStep::Newer) {
            list.MoveToNewer();
        } else {
            list.MoveToOlder();
        }
        SCOPED_TRACE(std::string(c.pszName) + ", step " + std::to_string(i));
        EXPECT_EQ(list.GetCounterText(), step.pszCounter);
        EXPECT_EQ(list.m_nCount, nAdded);
        ASSERT_NE(list.m_pCurrent, nullptr);
        EXPECT_EQ(list.m_pCurrent->GetId(), step.nCurrentId);
        EXPECT_EQ(RecordAtCurrentPosition(list), list.m_pCurrent);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, SmsListPaging, ::testing::ValuesIn(kSmsPagingCases));

TEST(SmsList, ChainIsNewestFirstWhateverTheIds)
{
    CSmsMessageList list;
    AddAll(list, {7, 3, 9}, MakeSmsWithId);
    EXPECT_EQ(list.m_nCount, 3);
    ExpectChain(list.m_pNewest, {9, 3, 7});
}

// ---- Duplicate test, both lists ----

// Ids are compared in host order: 5 on the wire is 00 00 00 05, so 0x05000000 is absent.
struct ContainsCase {
    uint32_t nId;
    bool bHeld;
};

const ContainsCase kContainsCases[] = {
    {5, true}, {0xFFFFFFFF, true}, {0x80000000, true}, {4, false}, {0x05000000, false}, {0, false},
};
const std::vector<uint32_t> kHeldIds = {5, 0xFFFFFFFF, 5, 0x80000000};

TEST(SmsList, ContainsComparesIdsInHostOrderAndHoldsRepeats)
{
    CSmsMessageList list;
    AddAll(list, kHeldIds, MakeSmsWithId);
    EXPECT_EQ(list.m_nCount, 4);
    for (const ContainsCase& c : kContainsCases)
        EXPECT_EQ(list.Contains(c.nId), c.bHeld) << std::hex << c.nId;
}

TEST(MissedCallList, ContainsComparesIdsInHostOrderAndHoldsRepeats)
{
    CMissedCallList list;
    AddAll(list, kHeldIds, MakeMissedCallWithId);
    EXPECT_EQ(list.m_nCount, 4);
    for (const ContainsCase& c : kContainsCases)
        EXPECT_EQ(list.Contains(c.nId), c.bHeld) << std::hex << c.nId;
}

// ---- Missed-call records and list ----

struct CallTextCase {
    const char* pszName;
    std::string time, caller;
    std::wstring strTime, strCaller;
};

// The caller's fallback is looked up (string 2529); natively the English table.
const CallTextCase kCallTextCases[] = {
    {"plain", "01.02.09 10:15", "+491701234", L"01.02.09 10:15", L"+491701234"},
    {"empty caller", "10:15", "", L"10:15", L"Withheld"},
    {"blank caller", "10:15", " \r\n\t ", L"10:15", L"Withheld"},
    {"empty time has no label", "", "0301234", L"", L"0301234"},
    {"outer white space trimmed, inner kept", "\t 01.02.09  10:15 \n", "  +49 170 1234 ", L"01.02.09  10:15",
     L"+49 170 1234"},
};

class MissedCallRecordTexts : public ::testing::TestWithParam<CallTextCase> {};

TEST_P(MissedCallRecordTexts, TimeAloneAndCallerWithFallback)
{
    const CallTextCase& c = GetParam();
    const std::vector<uint8_t> msg = MakeMissedCall(1, c.time, c.caller);
    const CMissedCall record(msg.data(), msg.size());
    EXPECT_EQ(record.GetTimeText(), c.strTime) << c.pszName;
    EXPECT_EQ(record.GetCallerText(), c.strCaller) << c.pszName;
}

INSTANTIATE_TEST_SUITE_P(Cases, MissedCallRecordTexts, ::testing::ValuesIn(kCallTextCases));

TEST(MissedCallRecord, FallbackIsTheStringTablesWithheld)
{
    ASSERT_EQ(AppString(2529), L"Withheld");
    const std::vector<uint8_t> msg = MakeMissedCall(1, "10:15", "");
    EXPECT_EQ(CMissedCall(msg.data(), msg.size()).GetCallerText(), AppString(2529));
}

TEST(MissedCallRecord, KeepsItsOwnCopyAndReadsTheIdInHostOrder)
{
    std::vector<uint8_t> msg = MakeMissedCall(0x01020304, "10:15", "0301234");
    const CMissedCall record(msg.data(), msg.size());
    msg = MakeMissedCall(2, "11:00", "999");

    EXPECT_EQ(record.GetId(), 0x01020304u);
    EXPECT_EQ(record.GetTimeText(), L"10:15");
    EXPECT_EQ(record.GetCallerText(), L"0301234");
}

TEST(MissedCallList, EmptyThenNewestFirstWhateverTheIds)
{
    CMissedCallList list;
    EXPECT_EQ(list.m_pNewest, nullptr);
    EXPECT_EQ(list.m_nCount, 0);
    EXPECT_FALSE(list.Contains(0));

    AddAll(list, {7, 3, 9}, MakeMissedCallWithId);
    EXPECT_EQ(list.m_nCount, 3);
    ExpectChain(list.m_pNewest, {9, 3, 7});
}

}  // namespace

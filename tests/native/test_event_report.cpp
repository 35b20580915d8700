// Whether an SMS or missed call is new, and the texts that the popups and the missed-call
// counter show.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "alerts/EventReport.h"
#include "alerts/SmsMessage.h"
#include "tools/sim/MessageEncoder.h"

namespace {

TEST(EventReport, AnEventIsNewOnlyOutsideItsListAndAboveTheLastReportedIdUnsigned)
{
    const struct {
        const char* pszName;
        bool bInList;
        uint32_t nId;
        int32_t nLast;
        EventVerdict verdict;
    } cases[] = {
        {"5 after a stored 3", false, 5, 3, EventVerdict::Accept},
        {"the same id again in the run", true, 5, 5, EventVerdict::Repeat},
        {"the same id after a restart", false, 5, 5, EventVerdict::OnlyLog},
        {"4 after 5 was accepted", false, 4, 5, EventVerdict::OnlyLog},
        {"a stored -5 is 4294967291 unsigned", false, 4294967291u, -5, EventVerdict::OnlyLog},
        {"above a stored -5", false, 4294967292u, -5, EventVerdict::Accept},
        {"above the largest signed id", false, 2147483648u, 2147483647, EventVerdict::Accept},
        {"0 against the default 0", false, 0, 0, EventVerdict::OnlyLog},
        {"1 against the default 0", false, 1, 0, EventVerdict::Accept},
    };
    for (const auto& c : cases)
        EXPECT_EQ(JudgeEvent(c.bInList, c.nId, c.nLast), c.verdict) << c.pszName;
}

TEST(EventReport, PopupTexts)
{
    const SimBytes message = EncodeSms(" 07/03/2009 14:05 ", "", "Meet at eight", 5);
    const CSmsMessage sms(message.data(), message.size());
    EXPECT_EQ(SmsAlertText(sms), L"From: Withheld\nReceived 07/03/2009 14:05\nMeet at eight");
    EXPECT_EQ(CallAlertText(L"+4912345678"), L"Incoming call:\n+4912345678");
    EXPECT_EQ(CallAlertText(L"Withheld"), L"Incoming call:\nWithheld");
    EXPECT_EQ(ErrorAlertText(L""), L"Error occured:\n");
}

TEST(EventReport, MissedCallCounterShowsFromTheFourthRow)
{
    const struct {
        int32_t nRows;
        int32_t nSelected;
        const wchar_t* pszText;
    } cases[] = {
        {0, -1, L""},
        {3, 2, L""},
        {4, 3, L"Missed Calls 4/4"},
        {4, 1, L"Missed Calls 2/4"},
        {4, -1, L"Missed Calls 0/4"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MissedCallCounterText(c.nRows, c.nSelected), c.pszText) << c.nRows << " rows, " << c.nSelected;
}

}  // namespace

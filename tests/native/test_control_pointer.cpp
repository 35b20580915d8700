// The status window's tooltips and pointer, control by control.
#include <gtest/gtest.h>

#include "resources/resource.h"
#include "status/ControlPointer.h"

namespace {

TEST(ControlPointer, EachControlShowsItsTooltipAndPointer)
{
    ControlFacts facts;
    facts.strText = L"From: A very long sender name indeed";
    facts.strSignalText = L"Good signal";
    const struct {
        int nId;
        bool bCut;
        bool bOffered;
        bool bNotifier;
        bool bTool;
        const wchar_t* pszTip;
        bool bHand;
    } cases[] = {
        {IDC_SMS_TITLE, false, false, false, true, L"Open Tessaro SMS Inbox", true},
        {IDC_SMS_ICON, false, false, false, true, L"Open Tessaro SMS Inbox", true},
        {IDC_CALLS_TITLE, false, false, false, true, L"Open Tessaro Missed Calls List", true},
        {IDC_CALLS_ICON, false, false, false, true, L"Open Tessaro Missed Calls List", true},
        {IDC_STATUS_TITLE, false, false, false, true, L"Open Tessaro Overview Page", true},
        {IDC_SMS_PREV, false, false, false, true, L"Previous SMS message", true},
        {IDC_SMS_NEXT, false, false, false, true, L"Next SMS message", true},
        {IDC_SMS_SENDER, true, false, false, true, L"From: A very long sender name indeed", false},
        {IDC_SMS_SENDER, false, false, false, true, L"", false},
        {IDC_SMS_TIME, true, false, false, true, L"From: A very long sender name indeed", false},
        {IDC_SIGNAL_ICON, false, false, false, true, L"Good signal", false},
        {IDC_UPDATE_TITLE, false, true, true, true, L"Update Notifier", true},
        {IDC_UPDATE_TITLE, false, true, false, true, L"Upgrade firmware", true},
        {IDC_UPDATE_TITLE, false, false, true, true, L"", false},
        {IDC_UPDATE_LINK, false, true, false, true, L"Upgrade firmware", false},
        {IDC_UPDATE_LINK, false, false, false, true, L"", false},
        {IDC_USERS, false, false, false, false, L"", false},
    };
    for (const auto& c : cases) {
        facts.bTextCut = c.bCut;
        facts.bUpdateOffered = c.bOffered;
        facts.bNotifierOffer = c.bNotifier;
        const ControlPointer pointer = PointerOfControl(c.nId, facts);
        EXPECT_EQ(pointer.bTool, c.bTool) << c.nId;
        EXPECT_EQ(pointer.strTip, c.pszTip) << c.nId;
        EXPECT_EQ(pointer.bHand, c.bHand) << c.nId;
    }
}

}  // namespace

// The portable half of CDlgMain's receivers of SMS, missed calls, incoming calls and router
// errors (status/DlgMain.cpp): whether an event is new, and the texts its popup and its
// counter show.
#pragma once
#include <cstdint>
#include <string>

class CSmsMessage;

enum class EventVerdict {
    Repeat,   // already in the list: nothing is logged and nothing changes
    OnlyLog,  // not above the last reported id: logged, and dropped
    Accept,   // new: recorded, stored, announced
};

// An SMS or missed call of id nId, with bInList telling whether its list holds that id
// already. The stored last id is compared as an unsigned 32-bit number: a stored -5 reads as
// 4294967291, above nearly every id.
EventVerdict JudgeEvent(bool bInList, uint32_t nId, int32_t nLastReportedId);

// The link text of an SMS popup: the sender, the reception time and the body, a line each.
std::wstring SmsAlertText(const CSmsMessage& sms);
// The link text of an incoming call's popup: string 2566 ("Incoming call:\n"), the caller.
std::wstring CallAlertText(const std::wstring& strCaller);
// The plain text of an error report's popup: string 2565 ("Error occured:\n"), the text.
std::wstring ErrorAlertText(const std::wstring& strError);

// The missed-call counter (label 1018) for a list of nRows rows whose first selected row is
// nSelected (-1: none): string 2505 and the position, only when there are more than three.
std::wstring MissedCallCounterText(int32_t nRows, int32_t nSelected);

#include "alerts/EventReport.h"

#include "alerts/LabelText.h"
#include "alerts/SmsMessage.h"
#include "app/AppString.h"
#include "resources/StringIds.h"

namespace {
// With this many rows or fewer the list shows them all, and the counter stays empty.
constexpr int32_t kRowsWithoutCounter = 3;
}  // namespace

EventVerdict JudgeEvent(bool bInList, uint32_t nId, int32_t nLastReportedId)
{
    if (bInList)
        return EventVerdict::Repeat;
    return nId > static_cast<uint32_t>(nLastReportedId) ? EventVerdict::Accept : EventVerdict::OnlyLog;
}

std::wstring SmsAlertText(const CSmsMessage& sms)
{
    return sms.GetSenderText() + L"\n" + sms.GetReceivedText() + L"\n" + sms.GetMessageText();
}

std::wstring CallAlertText(const std::wstring& strCaller)
{
    return AppString(IDS_INCOMING_CALL) + strCaller;
}

std::wstring ErrorAlertText(const std::wstring& strError)
{
    return AppString(IDS_ERROR_OCCURRED) + strError;
}

std::wstring MissedCallCounterText(int32_t nRows, int32_t nSelected)
{
    if (nRows <= kRowsWithoutCounter)
        return std::wstring();
    return FormatCounterText(AppString(IDS_MISSED_CALLS), nSelected + 1, nRows);
}

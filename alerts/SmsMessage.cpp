#include "alerts/SmsMessage.h"

#include <cstring>

#include "alerts/LabelText.h"
#include "app/AppString.h"
#include "resources/StringIds.h"

namespace {
}  // namespace

CSmsMessage::CSmsMessage(const uint8_t* pMessage, size_t nSize)
{
    if (pMessage != nullptr)
        std::memcpy(m_message, pMessage, nSize < kMessageSize ? nSize : kMessageSize);
}

uint32_t CSmsMessage::GetId() const
{
    return SmsId(m_message, kMessageSize);
}

std::wstring CSmsMessage::GetReceivedText() const
{
    return FormatLabelledText(AppString(IDS_RECEIVED), SmsTime(m_message, kMessageSize));
}

std::wstring CSmsMessage::GetSenderText() const
{
    return FormatLabelledText(AppString(IDS_FROM), SmsSender(m_message, kMessageSize));
}

std::wstring CSmsMessage::GetMessageText() const
{
    return SmsText(m_message, kMessageSize);
}

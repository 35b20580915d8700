#include "alerts/MissedCall.h"

#include <cstring>

#include "app/AppString.h"
#include "resources/StringIds.h"

namespace {
}

CMissedCall::CMissedCall(const uint8_t* pMessage, size_t nSize)
{
    if (pMessage != nullptr)
        std::memcpy(m_message, pMessage, nSize < kMessageSize ? nSize : kMessageSize);
}

uint32_t CMissedCall::GetId() const
{
    return MissedCallId(m_message, kMessageSize);
}

std::wstring CMissedCall::GetTimeText() const
{
    return MissedCallTime(m_message, kMessageSize);
}

std::wstring CMissedCall::GetCallerText() const
{
    const std::wstring strWithheld = AppString(IDS_WITHHELD);
    return MissedCallCaller(m_message, kMessageSize, strWithheld.c_str());
}

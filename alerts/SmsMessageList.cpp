#include "alerts/SmsMessageList.h"

#include "alerts/LabelText.h"
#include "alerts/RecordChain.h"
#include "alerts/SmsMessage.h"
#include "app/AppString.h"
#include "resources/StringIds.h"

namespace {
}

CSmsMessageList::~CSmsMessageList()
{
    record_chain::DeleteAll(m_pNewest);
}

void CSmsMessageList::Add(const uint8_t* pMessage, size_t nSize)
{
    m_pCurrent = record_chain::PushNewest(m_pNewest, m_nCount, pMessage, nSize);
    m_nCurrent = 0;
}

bool CSmsMessageList::Contains(uint32_t nId) const
{
    return record_chain::Contains(m_pNewest, nId);
}

std::wstring CSmsMessageList::GetCounterText() const
{
    if (m_nCurrent < 0 || m_nCount <= 0)
        return std::wstring();
    return FormatCounterText(AppString(IDS_SMS_MESSAGES), m_nCurrent + 1, m_nCount);
}

void CSmsMessageList::MoveToNewer()
{
    if (m_nCurrent > 0 && m_pCurrent != nullptr && m_pCurrent->m_pNewer != nullptr) {
        --m_nCurrent;
        m_pCurrent = m_pCurrent->m_pNewer;
    }
}

void CSmsMessageList::MoveToOlder()
{
    if (m_nCurrent >= 0 && m_nCurrent < m_nCount - 1 && m_pCurrent != nullptr && m_pCurrent->m_pOlder != nullptr) {
        ++m_nCurrent;
        m_pCurrent = m_pCurrent->m_pOlder;
    }
}

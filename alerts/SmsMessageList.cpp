#include "alerts/SmsMessageList.h"

#include <new>

#include "alerts/LabelText.h"
#include "alerts/SmsMessage.h"
#include "app/AppString.h"
#include "app/Log.h"

namespace {
constexpr uint32_t kIdSmsMessages = 2503;
}

CSmsMessageList::~CSmsMessageList()
{
    // Iterative: the chain has no length limit.
    CSmsMessage* pRecord = m_pNewest;
    while (pRecord != nullptr) {
        CSmsMessage* pOlder = pRecord->m_pOlder;
        delete pRecord;
        pRecord = pOlder;
    }
}

void CSmsMessageList::Add(const uint8_t* pMessage, size_t nSize)
{
    CSmsMessage* pRecord = new (std::nothrow) CSmsMessage(pMessage, nSize);
    if (pRecord == nullptr) {
        XLog(3, L"CSmsMessageList::Add, new: NOK.");
        return;
    }
    if (m_pNewest != nullptr)
        m_pNewest->m_pNewer = pRecord;
    pRecord->m_pOlder = m_pNewest;
    ++m_nCount;
    m_pNewest = pRecord;
    m_nCurrent = 0;
    m_pCurrent = pRecord;
}

bool CSmsMessageList::Contains(uint32_t nId) const
{
    for (const CSmsMessage* pRecord = m_pNewest; pRecord != nullptr; pRecord = pRecord->m_pOlder)
        if (pRecord->GetId() == nId)
            return true;
    return false;
}

std::wstring CSmsMessageList::GetCounterText() const
{
    if (m_nCurrent < 0 || m_nCount <= 0)
        return std::wstring();
    return FormatCounterText(AppString(kIdSmsMessages), m_nCurrent + 1, m_nCount);
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
    if (m_nCurrent >= 0 && m_nCurrent < m_nCount - 1 && m_pCurrent != nullptr &&
        m_pCurrent->m_pOlder != nullptr) {
        ++m_nCurrent;
        m_pCurrent = m_pCurrent->m_pOlder;
    }
}

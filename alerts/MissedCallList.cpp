#include "alerts/MissedCallList.h"

#include <new>

#include "alerts/MissedCall.h"
#include "app/Log.h"

CMissedCallList::~CMissedCallList()
{
    // Iterative: the chain has no length limit.
    CMissedCall* pRecord = m_pNewest;
    while (pRecord != nullptr) {
        CMissedCall* pOlder = pRecord->m_pOlder;
        delete pRecord;
        pRecord = pOlder;
    }
}

void CMissedCallList::Add(const uint8_t* pMessage, size_t nSize)
{
    CMissedCall* pRecord = new (std::nothrow) CMissedCall(pMessage, nSize);
    if (pRecord == nullptr) {
        XLog(3, L"CMissedCallList::Add, new: NOK.");
        return;
    }
    if (m_pNewest != nullptr)
        m_pNewest->m_pNewer = pRecord;
    pRecord->m_pOlder = m_pNewest;
    ++m_nCount;
    m_pNewest = pRecord;
}

bool CMissedCallList::Contains(uint32_t nId) const
{
    for (const CMissedCall* pRecord = m_pNewest; pRecord != nullptr; pRecord = pRecord->m_pOlder)
        if (pRecord->GetId() == nId)
            return true;
    return false;
}

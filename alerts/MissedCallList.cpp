#include "alerts/MissedCallList.h"

#include "alerts/MissedCall.h"
#include "alerts/RecordChain.h"

CMissedCallList::~CMissedCallList()
{
    record_chain::DeleteAll(m_pNewest);
}

void CMissedCallList::Add(const uint8_t* pMessage, size_t nSize)
{
    record_chain::PushNewest(m_pNewest, m_nCount, pMessage, nSize);
}

bool CMissedCallList::Contains(uint32_t nId) const
{
    return record_chain::Contains(m_pNewest, nId);
}

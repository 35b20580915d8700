// The chain both record lists keep: records linked newest first through m_pOlder (and
// back through m_pNewer), each made from a copy of its router message.
#pragma once
#include <cstddef>
#include <cstdint>

namespace record_chain {

// Deletes every record; iterative, since the chain has no length limit.
template <typename TRecord>
void DeleteAll(TRecord* pNewest)
{
    while (pNewest != nullptr) {
        TRecord* pOlder = pNewest->m_pOlder;
        delete pNewest;
        pNewest = pOlder;
    }
}

// Makes a record of the message and puts it in front. Without memory for it, std::bad_alloc
// leaves the chain as it was.
template <typename TRecord>
TRecord* PushNewest(TRecord*& pNewest, int32_t& nCount, const uint8_t* pMessage, size_t nSize)
{
    TRecord* pRecord = new TRecord(pMessage, nSize);
    if (pNewest != nullptr)
        pNewest->m_pNewer = pRecord;
    pRecord->m_pOlder = pNewest;
    pNewest = pRecord;
    ++nCount;
    return pRecord;
}

template <typename TRecord>
bool Contains(const TRecord* pNewest, uint32_t nId)
{
    for (; pNewest != nullptr; pNewest = pNewest->m_pOlder)
        if (pNewest->GetId() == nId)
            return true;
    return false;
}

}  // namespace record_chain

// The chain both record lists keep: records linked newest first through m_pOlder (and
// back through m_pNewer), each made from a copy of its router message.
#pragma once
#include <cstddef>
#include <cstdint>
#include <new>

#include "app/Log.h"

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

// Makes a record of the message and puts it in front; null (logged with pszNoMemory) when
// there is no memory for it, and the chain stays as it was.
template <typename TRecord>
TRecord* PushNewest(TRecord*& pNewest, int32_t& nCount, const uint8_t* pMessage, size_t nSize,
                    const wchar_t* pszNoMemory)
{
    TRecord* pRecord = new (std::nothrow) TRecord(pMessage, nSize);
    if (pRecord == nullptr) {
        XLog(3, pszNoMemory);
        return nullptr;
    }
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

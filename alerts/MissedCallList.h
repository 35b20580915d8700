// The missed calls reported since the program started, newest first. Lives in memory
// only; owns its records.
#pragma once
#include <cstddef>
#include <cstdint>

class CMissedCall;

class CMissedCallList {
public:
    CMissedCallList() = default;
    virtual ~CMissedCallList();
    CMissedCallList(const CMissedCallList&) = delete;
    CMissedCallList& operator=(const CMissedCallList&) = delete;

    // Stores a copy of the MsgMissedCall message as the newest record.
    void Add(const uint8_t* pMessage, size_t nSize);
    // True if a record with this id (host byte order) is held.
    bool Contains(uint32_t nId) const;

    // Read by the main window; changed only by Add.
    CMissedCall* m_pNewest = nullptr;  // start of the chain along m_pOlder
    int32_t m_nCount = 0;
};

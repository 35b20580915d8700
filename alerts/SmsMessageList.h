// The SMS received since the program started, newest first, with the one the main
// window shows and its page counter. Lives in memory only; owns its records.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

class CSmsMessage;

class CSmsMessageList {
public:
    CSmsMessageList() = default;
    virtual ~CSmsMessageList();
    CSmsMessageList(const CSmsMessageList&) = delete;
    CSmsMessageList& operator=(const CSmsMessageList&) = delete;

    // Stores a copy of the MsgSmsReceived message as the newest record and shows it:
    // any paging position is given up.
    void Add(const uint8_t* pMessage, size_t nSize);
    // True if a record with this id (host byte order) is held.
    bool Contains(uint32_t nId) const;
    // String 2503, a blank, the position from the newest (1-based), "/" and the count;
    // empty when the list is empty.
    std::wstring GetCounterText() const;
    // One record towards the newest ("Previous SMS message"); no wrap.
    void MoveToNewer();
    // One record towards the oldest ("Next SMS message"); no wrap.
    void MoveToOlder();

    // Read by the main window; changed only by the operations above.
    CSmsMessage* m_pNewest = nullptr;   // start of the chain along m_pOlder
    CSmsMessage* m_pCurrent = nullptr;  // record shown; m_nCurrent steps from m_pNewest
    int32_t m_nCount = 0;
    int32_t m_nCurrent = -1;  // 0 = newest; -1 when empty
};

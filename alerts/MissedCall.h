// One missed call: a copy of the router's whole MsgMissedCall message, decoded only when
// a text is asked for, and its links in the list that holds it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "link/WireProtocol.h"

class CMissedCall {
public:
    static constexpr size_t kMessageSize = MsgTotalSize(MsgMissedCall);

    // Copies the message; bytes missing from a short one read as 0 (empty texts), bytes
    // beyond kMessageSize are not part of the message and are left out.
    CMissedCall(const uint8_t* pMessage, size_t nSize);
    virtual ~CMissedCall() = default;
    CMissedCall(const CMissedCall&) = delete;
    CMissedCall& operator=(const CMissedCall&) = delete;

    // Host byte order.
    uint32_t GetId() const;
    // The router's time text alone.
    std::wstring GetTimeText() const;
    // The calling number; the fallback is string 2529 of the current language.
    std::wstring GetCallerText() const;

    CMissedCall* m_pNewer = nullptr;
    CMissedCall* m_pOlder = nullptr;

private:
    uint8_t m_message[kMessageSize] = {};  // network byte order, header included
};

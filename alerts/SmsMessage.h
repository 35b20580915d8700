// One received SMS: a copy of the router's whole MsgSmsReceived message, decoded only
// when a text is asked for, and its links in the list that holds it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "link/WireProtocol.h"

class CSmsMessage {
public:
    static constexpr size_t kMessageSize = MsgTotalSize(MsgSmsReceived);

    // Copies the message; bytes missing from a short one read as 0 (empty texts), bytes
    // beyond kMessageSize are not part of the message and are left out.
    CSmsMessage(const uint8_t* pMessage, size_t nSize);
    virtual ~CSmsMessage() = default;
    CSmsMessage(const CSmsMessage&) = delete;
    CSmsMessage& operator=(const CSmsMessage&) = delete;

    // Host byte order.
    uint32_t GetId() const;
    // String 2507 ("Received"), a blank and the router's time text.
    std::wstring GetReceivedText() const;
    // String 2508 ("From:"), a blank and the sender; the fallback "Withheld" stays English.
    std::wstring GetSenderText() const;
    // The body, no fallback.
    std::wstring GetMessageText() const;

    CSmsMessage* m_pNewer = nullptr;
    CSmsMessage* m_pOlder = nullptr;

private:
    uint8_t m_message[kMessageSize] = {};  // network byte order, header included
};

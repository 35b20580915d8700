// The receive-only TCP client of the router's event service: cuts the byte stream into
// messages, checks each one, stamps the time of the last good one and hands it to its
// receiver on the owner.
#pragma once
#include <cstdint>

#include "framework/AsyncSocket.h"

class IRouterEvents;

class CSockClient : public CAsyncSocket {
public:
    explicit CSockClient(IRouterEvents* pOwner);
    ~CSockClient() override;

    void OnReceive(int nErrorCode) override;
    void OnConnect(int nErrorCode) override;
    void OnClose(int nErrorCode) override;

    // Cuts m_receiveBuffer into messages and processes every complete one; the remainder
    // moves to the front.
    void ProcessReceivedData();
    // Checks one message and calls its receiver. pMessage points into m_receiveBuffer.
    void ProcessMessage(const uint8_t* pMessage, uint32_t nLength);

    // Current time in whole seconds since 1970; replaceable so tests control the clock.
    using NowFn = int64_t (*)();
    static NowFn s_pfnNow;
    static int64_t Now() { return s_pfnNow(); }

    static constexpr int32_t kBufferSize = 4096;

    uint8_t m_receiveBuffer[kBufferSize] = {};  // bytes not yet consumed, from offset 0
    int32_t m_nBufferSize = kBufferSize;        // never changed
    int32_t m_nReceived = 0;                    // bytes held in m_receiveBuffer
    IRouterEvents* m_pOwner;
    int64_t m_tLastMessage = 0;  // last valid message or connect completion, seconds

private:
    // Empties the buffer, closes the socket and tells the owner the link is down.
    void DropLink();

    // One receive-error box at a time: a new connection that fails while it is open is
    // dropped without a second box.
    bool m_bErrorBoxOpen = false;
};

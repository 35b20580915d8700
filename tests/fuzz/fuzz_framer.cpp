// Feeds CSockClient arbitrary bytes in arbitrary chunk sizes, through OnReceive as the socket
// would. Checks that the framer reads only bytes it holds (the unfilled part of its buffer is
// poisoned for AddressSanitizer), never holds more than its buffer, and always moves on:
// every receive takes bytes or drops the link, and a dropped link takes bytes again.
//
// Input: byte 0 bits 5-7 all set turn the detail log on (to a sink that drops it; it costs
// far more than the framing, so only one input in eight pays for it), bits 0-3 give the
// number N of chunk-size bytes that follow; the chunk sizes are used in turn; the rest is the
// stream.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/Log.h"
#include "framework/AsyncSocket.h"
#include "link/RouterEvents.h"
#include "link/SockClient.h"
#include "link/WireProtocol.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#include <sanitizer/asan_interface.h>
#define TN_POISON(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define TN_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#endif
#endif
#ifndef TN_POISON
#define TN_POISON(p, n) ((void)(p), (void)(n))
#define TN_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace {

// What the socket hands out, chunk by chunk.
struct Feed {
    const uint8_t* pSizes = nullptr;
    size_t nSizes = 0;
    size_t nNextSize = 0;
    const uint8_t* pStream = nullptr;
    size_t nStream = 0;
    size_t nPos = 0;
    int nLastError = 0;

    // 1 to 128 for small splits, multiples of 32 up to 4096 for large ones.
    size_t NextChunk()
    {
        if (nSizes == 0)
            return 4096;
        const uint8_t b = pSizes[nNextSize++ % nSizes];
        return b < 128 ? static_cast<size_t>(b) + 1 : static_cast<size_t>(b - 127) * 32;
    }
};

Feed g_feed;

void DropLine(const wchar_t*) {}

int64_t FixedNow()
{
    return 1700000000;
}

[[noreturn]] void Fail(const char* pszWhat)
{
    std::fprintf(stderr, "fuzz_framer: %s\n", pszWhat);
    std::abort();
}

class CCheckingOwner : public IRouterEvents {
public:
    explicit CCheckingOwner(const CSockClient*& pClient) : m_pClient(pClient) {}

    void SetConnectionState(int32_t) override {}
    void ProcessReceivedSmsMessage(const uint8_t* pMessage, uint32_t nLength) override
    {
        CheckMessage(pMessage, nLength, MsgSmsReceived);
    }
    void ReportCall(const std::wstring&) override {}
    void ProcessMissedCallMessage(const uint8_t* pMessage, uint32_t nLength) override
    {
        CheckMessage(pMessage, nLength, MsgMissedCall);
    }
    void SetRegistrationState(int32_t, int32_t, int32_t, const std::wstring&) override {}
    void SetSignalStrength(int32_t) override {}
    void SetConnectedUsersCount(int32_t, int32_t) override {}
    void ReportError(const std::wstring&) override {}
    void ReportSoftwareRequired(const std::wstring&, const std::wstring&) override {}
    void ReportLiveUpdateStatus(int32_t) override {}
    bool IsRouterConnected() const override { return !m_bDropped; }
    void SetRouterConnected(bool bConnected) override
    {
        if (!bConnected)
            m_bDropped = true;
    }
    void ShowReceiveErrorBox(const std::wstring&) override { Fail("the fuzzed socket never fails a receive"); }

    bool m_bDropped = false;

private:
    // A message handed on lies within the held bytes and is of its type's size.
    void CheckMessage(const uint8_t* pMessage, uint32_t nLength, MsgType nType)
    {
        const uint8_t* pBegin = m_pClient->m_receiveBuffer;
        if (pMessage < pBegin || pMessage + nLength > pBegin + m_pClient->m_nReceived)
            Fail("message outside the held bytes");
        if (nLength != MsgTotalSize(nType) || ReadU16BE(pMessage) != nLength)
            Fail("message of the wrong size");
    }

    const CSockClient*& m_pClient;
};

// The unfilled part of the buffer must never be read.
void PoisonFreeRoom(CSockClient& client)
{
    if (client.m_nReceived < 0 || client.m_nReceived > client.m_nBufferSize)
        Fail("held more than the buffer");
    TN_POISON(client.m_receiveBuffer + client.m_nReceived,
              static_cast<size_t>(client.m_nBufferSize - client.m_nReceived));
}

}  // namespace

// The socket layer of this fuzzer: the feed, nothing else.
CAsyncSocket::~CAsyncSocket()
{
    Close();
}

bool CAsyncSocket::Create(unsigned, int, long, const wchar_t*)
{
    m_hSocket = 1;
    return true;
}

bool CAsyncSocket::Connect(const wchar_t*, unsigned)
{
    return true;
}

int CAsyncSocket::Receive(void* pBuf, int nBufLen, int)
{
    if (nBufLen < 0)
        Fail("negative receive length");
    if (nBufLen == 0)
        return 0;
    const size_t nLeft = g_feed.nStream - g_feed.nPos;
    if (nLeft == 0) {
        g_feed.nLastError = kSocketWouldBlock;
        return kSocketError;
    }
    size_t nCount = g_feed.NextChunk();
    if (nCount > nLeft)
        nCount = nLeft;
    if (nCount > static_cast<size_t>(nBufLen))
        nCount = static_cast<size_t>(nBufLen);
    TN_UNPOISON(pBuf, nCount);
    std::memcpy(pBuf, g_feed.pStream + g_feed.nPos, nCount);
    g_feed.nPos += nCount;
    return static_cast<int>(nCount);
}

void CAsyncSocket::Close()
{
    m_hSocket = kInvalidSocketHandle;
}

int CAsyncSocket::GetLastSocketError()
{
    return g_feed.nLastError;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    if (nSize < 1)
        return 0;
    const size_t nSizes = pData[0] & 0x0F;
    if (nSize < 1 + nSizes)
        return 0;
    XLogSetSink(&DropLine);
    XLogSetLevel((pData[0] & 0xE0) == 0xE0 ? 1 : 3);
    CSockClient::s_pfnNow = &FixedNow;

    g_feed = Feed();
    g_feed.pSizes = pData + 1;
    g_feed.nSizes = nSizes;
    g_feed.pStream = pData + 1 + nSizes;
    g_feed.nStream = nSize - 1 - nSizes;

    const CSockClient* pClientView = nullptr;
    CCheckingOwner owner(pClientView);
    CSockClient* pClient = new CSockClient(&owner);
    pClientView = pClient;
    pClient->Create(0, kSocketStream, kSocketAllEvents, nullptr);
    pClient->OnConnect(0);
    PoisonFreeRoom(*pClient);

    bool bLastDropWithoutBytes = false;
    while (g_feed.nPos < g_feed.nStream) {
        const size_t nBefore = g_feed.nPos;
        owner.m_bDropped = false;
        pClient->OnReceive(0);
        const bool bTook = g_feed.nPos > nBefore;
        if (!bTook && !owner.m_bDropped)
            Fail("a receive neither took bytes nor dropped the link");
        if (!bTook && bLastDropWithoutBytes)
            Fail("a rebuilt link did not take bytes");
        bLastDropWithoutBytes = !bTook;
        if (owner.m_bDropped) {
            if (pClient->m_hSocket != kInvalidSocketHandle)
                Fail("link reported lost with its socket open");
            // What the timer and the router do next: a new socket, a completed connection.
            pClient->Create(0, kSocketStream, kSocketAllEvents, nullptr);
            pClient->OnConnect(0);
            if (pClient->m_nReceived != 0)
                Fail("a new connection starts with leftovers");
        }
        PoisonFreeRoom(*pClient);
    }

    TN_UNPOISON(pClient->m_receiveBuffer, sizeof(pClient->m_receiveBuffer));
    delete pClient;
    return 0;
}

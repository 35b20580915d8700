// CSockClient's receive path (framing, checks, dispatch to a receiver that does nothing) on
// a stream of status messages and on one of SMS, each delivered in chunks of up to 4096
// bytes, beside a plain memcpy of the same stream. Heap allocations are counted through the
// global operator new of this binary and reported per message.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "framework/AsyncSocket.h"
#include "link/RouterEvents.h"
#include "link/SockClient.h"
#include "link/WireProtocol.h"

namespace {

std::atomic<uint64_t> g_nAllocations{0};

}  // namespace

// The replacements pair malloc with free; GCC's check cannot see that through the inlining.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(std::size_t nSize)
{
    g_nAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(nSize != 0 ? nSize : 1))
        return p;
    throw std::bad_alloc();
}

void* operator new[](std::size_t nSize)
{
    return operator new(nSize);
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete[](void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace {

constexpr size_t kChunk = 4096;

// An endless stream: the same whole messages over and over.
struct Stream {
    std::vector<uint8_t> bytes;
    size_t nPos = 0;
    size_t nMessages = 0;  // in one pass over bytes
};

Stream* g_pStream = nullptr;

std::vector<uint8_t> Message(MsgType nType, uint8_t nByte4)
{
    std::vector<uint8_t> msg(MsgTotalSize(nType), 0);
    msg[0] = static_cast<uint8_t>(msg.size() >> 8);
    msg[1] = static_cast<uint8_t>(msg.size());
    msg[2] = nType;
    msg[3] = 1;
    msg[4] = nByte4;
    return msg;
}

Stream MakeStream(const std::vector<std::vector<uint8_t>>& pattern, size_t nRepeats)
{
    Stream stream;
    for (size_t i = 0; i < nRepeats; ++i) {
        for (const std::vector<uint8_t>& msg : pattern) {
            stream.bytes.insert(stream.bytes.end(), msg.begin(), msg.end());
            ++stream.nMessages;
        }
    }
    return stream;
}

// Copies the next nCount bytes of the endless stream.
void CopyFromStream(Stream& stream, uint8_t* pOut, size_t nCount)
{
    while (nCount > 0) {
        size_t nPart = stream.bytes.size() - stream.nPos;
        if (nPart > nCount)
            nPart = nCount;
        std::memcpy(pOut, stream.bytes.data() + stream.nPos, nPart);
        pOut += nPart;
        nCount -= nPart;
        stream.nPos += nPart;
        if (stream.nPos == stream.bytes.size())
            stream.nPos = 0;
    }
}

class CCountingOwner : public IRouterEvents {
public:
    void SetConnectionState(int32_t) override { ++m_nMessages; }
    void ProcessReceivedSmsMessage(const uint8_t*, uint32_t) override { ++m_nMessages; }
    void ReportCall(const std::wstring&) override { ++m_nMessages; }
    void ProcessMissedCallMessage(const uint8_t*, uint32_t) override { ++m_nMessages; }
    void SetRegistrationState(int32_t, int32_t, int32_t, const std::wstring&) override { ++m_nMessages; }
    void SetSignalStrength(int32_t) override { ++m_nMessages; }
    void SetConnectedUsersCount(int32_t, int32_t) override { ++m_nMessages; }
    void ReportError(const std::wstring&) override { ++m_nMessages; }
    void ReportSoftwareRequired(const std::wstring&, const std::wstring&) override { ++m_nMessages; }
    void ReportLiveUpdateStatus(int32_t) override { ++m_nMessages; }
    void SetRouterConnected(bool bConnected) override { m_bDropped |= !bConnected; }
    bool IsRouterConnected() const override { return !m_bDropped; }
    void ShowReceiveErrorBox(const std::wstring&) override { m_bDropped = true; }

    uint64_t m_nMessages = 0;
    bool m_bDropped = false;
};

void RunFraming(benchmark::State& state, Stream stream)
{
    g_pStream = &stream;
    CCountingOwner owner;
    CSockClient client(&owner);
    client.Create(0, kSocketStream, kSocketAllEvents, nullptr);
    client.OnConnect(0);

    // Warm up, so the one-time costs of the first receive are not counted.
    client.OnReceive(0);
    owner.m_nMessages = 0;
    uint64_t nBytes = 0;
    const uint64_t nAllocationsBefore = g_nAllocations.load(std::memory_order_relaxed);
    for (auto _ : state) {
        const int32_t nBefore = client.m_nReceived;
        client.OnReceive(0);
        nBytes += static_cast<uint64_t>(client.m_nBufferSize - nBefore);
    }
    const uint64_t nAllocations = g_nAllocations.load(std::memory_order_relaxed) - nAllocationsBefore;
    if (owner.m_bDropped)
        state.SkipWithError("the link was dropped");
    state.SetItemsProcessed(static_cast<int64_t>(owner.m_nMessages));
    state.SetBytesProcessed(static_cast<int64_t>(nBytes));
    state.counters["allocs_per_msg"] =
        owner.m_nMessages != 0 ? static_cast<double>(nAllocations) / static_cast<double>(owner.m_nMessages) : 0.0;
    g_pStream = nullptr;
}

// The same stream in the same chunks, copied and nothing else: the floor of the cost.
void RunMemcpy(benchmark::State& state, Stream stream)
{
    std::vector<uint8_t> buffer(kChunk);
    const double nMessagesPerByte = static_cast<double>(stream.nMessages) / static_cast<double>(stream.bytes.size());
    uint64_t nBytes = 0;
    for (auto _ : state) {
        CopyFromStream(stream, buffer.data(), kChunk);
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
        nBytes += kChunk;
    }
    state.SetItemsProcessed(static_cast<int64_t>(static_cast<double>(nBytes) * nMessagesPerByte));
    state.SetBytesProcessed(static_cast<int64_t>(nBytes));
}

// Signal strength and connection state in turn, 6 bytes each.
Stream StatusStream()
{
    return MakeStream({Message(MsgSignalStrength, 4), Message(MsgConnectionState, 3)}, 2048);
}

// Received SMS, 886 bytes each.
Stream SmsStream()
{
    return MakeStream({Message(MsgSmsReceived, 0)}, 37);
}

void BM_FramingStatus(benchmark::State& state)
{
    RunFraming(state, StatusStream());
}

void BM_FramingStatusMemcpy(benchmark::State& state)
{
    RunMemcpy(state, StatusStream());
}

void BM_FramingSms(benchmark::State& state)
{
    RunFraming(state, SmsStream());
}

void BM_FramingSmsMemcpy(benchmark::State& state)
{
    RunMemcpy(state, SmsStream());
}

BENCHMARK(BM_FramingStatus);
BENCHMARK(BM_FramingStatusMemcpy);
BENCHMARK(BM_FramingSms);
BENCHMARK(BM_FramingSmsMemcpy);

}  // namespace

// The socket layer of this binary: the endless stream, up to 4096 bytes a receive.
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
    if (g_pStream == nullptr || nBufLen <= 0)
        return nBufLen == 0 ? 0 : kSocketError;
    const size_t nCount = static_cast<size_t>(nBufLen) < kChunk ? static_cast<size_t>(nBufLen) : kChunk;
    CopyFromStream(*g_pStream, static_cast<uint8_t*>(pBuf), nCount);
    return static_cast<int>(nCount);
}

void CAsyncSocket::Close()
{
    m_hSocket = kInvalidSocketHandle;
}

int CAsyncSocket::GetLastSocketError()
{
    return 0;
}

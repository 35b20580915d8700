// Asynchronous TCP socket whose network events arrive as callbacks on the thread that
// created it. Only what the router link uses is here. On Windows it is non-blocking
// Winsock with window-message events; native test builds link a scripted stand-in.
#pragma once
#include <cstdint>

// Result of a failed socket call (SOCKET_ERROR).
constexpr int kSocketError = -1;
// SOCK_STREAM, the same value everywhere.
constexpr int kSocketStream = 1;
// Read, write, out-of-band, accept, connect and close events.
constexpr long kSocketAllEvents = 0x3F;
// WSAEWOULDBLOCK: the call is under way or nothing is there yet; not a failure.
constexpr int kSocketWouldBlock = 10035;
// INVALID_SOCKET: the handle of no socket.
constexpr uintptr_t kInvalidSocketHandle = ~static_cast<uintptr_t>(0);

class CAsyncSocket {
public:
    CAsyncSocket() = default;
    CAsyncSocket(const CAsyncSocket&) = delete;
    CAsyncSocket& operator=(const CAsyncSocket&) = delete;
    // Closes the socket if it is still open.
    virtual ~CAsyncSocket();

    // Network events; the base ignores them. No callback follows a local Close.
    virtual void OnReceive(int /*nErrorCode*/) {}
    virtual void OnConnect(int /*nErrorCode*/) {}
    virtual void OnClose(int /*nErrorCode*/) {}

    // Makes a non-blocking socket of nSocketType bound to nSocketPort (0: any) and
    // pszSocketAddress (null: any) that reports lEvents. False on failure, error in
    // GetLastSocketError.
    bool Create(unsigned nSocketPort, int nSocketType, long lEvents, const wchar_t* pszSocketAddress);
    // Starts a connection to a dotted IPv4 address or a host name. False with
    // kSocketWouldBlock while the attempt is under way; OnConnect reports its end.
    bool Connect(const wchar_t* pszHostAddress, unsigned nHostPort);
    // Bytes read (0 when the peer has closed or nBufLen is 0) or kSocketError.
    int Receive(void* pBuf, int nBufLen, int nFlags);
    // Closes the socket, if any; the handle becomes invalid. Keeps the last socket error.
    void Close();

    // Error code of the calling thread's last failed socket call.
    static int GetLastSocketError();

    // kInvalidSocketHandle while there is no socket.
    uintptr_t m_hSocket = kInvalidSocketHandle;
};

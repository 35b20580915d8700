// CAsyncSocket over non-blocking Winsock. Events come as window messages to one hidden
// message-only window per thread, so every callback runs on the thread that made the socket,
// between other window messages. A socket is used only on the thread that created it.
#include "framework/AsyncSocket.h"

#include <windows.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <vector>

static_assert(kSocketError == SOCKET_ERROR);
static_assert(kSocketStream == SOCK_STREAM);
static_assert(kSocketWouldBlock == WSAEWOULDBLOCK);
static_assert(kInvalidSocketHandle == INVALID_SOCKET && sizeof(SOCKET) == sizeof(uintptr_t));

namespace {

const wchar_t kSinkClassName[] = L"TessaroNotifierSocketSink";

// Each socket gets a message id of its own from this range. A message still queued for a
// closed socket then never reaches a newer one that Winsock gave the same handle value.
constexpr UINT kFirstSocketMessage = WM_APP + 0x100;
constexpr UINT kLastSocketMessage = 0xBFFF;

struct SinkEntry {
    SOCKET hSocket;
    UINT nMessage;
    CAsyncSocket* pSocket;
};

struct SinkState {
    HWND hWnd = nullptr;
    UINT nNextMessage = kFirstSocketMessage;
    std::vector<SinkEntry> entries;
};

thread_local SinkState t_sink;

CAsyncSocket* FindSocket(SOCKET hSocket, UINT nMessage)
{
    for (const SinkEntry& entry : t_sink.entries)
        if (entry.hSocket == hSocket && entry.nMessage == nMessage)
            return entry.pSocket;
    return nullptr;
}

void Unregister(SOCKET hSocket)
{
    std::vector<SinkEntry>& entries = t_sink.entries;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].hSocket == hSocket) {
            entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(i));
            return;
        }
    }
}

bool IsMessageInUse(UINT nMessage)
{
    for (const SinkEntry& entry : t_sink.entries)
        if (entry.nMessage == nMessage)
            return true;
    return false;
}

UINT NextMessage()
{
    UINT nMessage = t_sink.nNextMessage;
    while (IsMessageInUse(nMessage))
        nMessage = nMessage == kLastSocketMessage ? kFirstSocketMessage : nMessage + 1;
    t_sink.nNextMessage = nMessage == kLastSocketMessage ? kFirstSocketMessage : nMessage + 1;
    return nMessage;
}

LRESULT CALLBACK SinkWindowProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam)
{
    if (nMessage < kFirstSocketMessage || nMessage > kLastSocketMessage)
        return DefWindowProcW(hWnd, nMessage, wParam, lParam);

    // Events of a socket closed since they were posted find no entry and are dropped.
    CAsyncSocket* pSocket = FindSocket(static_cast<SOCKET>(wParam), nMessage);
    if (pSocket == nullptr)
        return 0;
    const int nError = WSAGETSELECTERROR(lParam);
    try {
        switch (WSAGETSELECTEVENT(lParam)) {
        case FD_CONNECT:
            pSocket->OnConnect(nError);
            break;
        case FD_READ:
            pSocket->OnReceive(nError);
            break;
        case FD_CLOSE:
            pSocket->OnClose(nError);
            break;
        default:
            // Write, out-of-band and accept have no handlers here.
            break;
        }
    } catch (...) {
        // Out of memory in the middle of an event: what it had received may be half
        // processed, which no later byte can continue, so the connection starts again.
        try {
            pSocket->OnClose(WSAENOBUFS);
        } catch (...) {
        }
    }
    return 0;
}

// The calling thread's sink window, made on first use; null (last error set) on failure.
HWND SinkWindow()
{
    if (t_sink.hWnd != nullptr)
        return t_sink.hWnd;
    const HINSTANCE hInstance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = SinkWindowProc;
    wc.hInstance = hInstance;
    wc.lpszClassName = kSinkClassName;
    // Another thread may have registered the class already.
    if (RegisterClassExW(&wc) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return nullptr;
    t_sink.hWnd = CreateWindowExW(0, kSinkClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, hInstance, nullptr);
    return t_sink.hWnd;
}

// Closes hSocket and leaves the error code that made the caller give up.
bool FailAndClose(SOCKET hSocket)
{
    const int nError = WSAGetLastError();
    closesocket(hSocket);
    WSASetLastError(nError);
    return false;
}

}  // namespace

CAsyncSocket::~CAsyncSocket()
{
    Close();
}

bool CAsyncSocket::Create(unsigned nSocketPort, int nSocketType, long lEvents, const wchar_t* pszSocketAddress)
{
    if (m_hSocket != kInvalidSocketHandle || nSocketPort > 0xFFFF) {
        WSASetLastError(WSAEINVAL);
        return false;
    }
    const HWND hWnd = SinkWindow();
    if (hWnd == nullptr)
        return false;

    const SOCKET hSocket = socket(AF_INET, nSocketType, 0);
    if (hSocket == INVALID_SOCKET)
        return false;

    sockaddr_in local = {};
    local.sin_family = AF_INET;
    local.sin_port = htons(static_cast<u_short>(nSocketPort));
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    if (pszSocketAddress != nullptr && InetPtonW(AF_INET, pszSocketAddress, &local.sin_addr) != 1) {
        WSASetLastError(WSAEINVAL);
        return FailAndClose(hSocket);
    }
    if (bind(hSocket, reinterpret_cast<const sockaddr*>(&local), sizeof(local)) == SOCKET_ERROR)
        return FailAndClose(hSocket);

    const UINT nMessage = NextMessage();
    t_sink.entries.push_back(SinkEntry{hSocket, nMessage, this});
    // This also makes the socket non-blocking.
    if (WSAAsyncSelect(hSocket, hWnd, nMessage, lEvents) == SOCKET_ERROR) {
        Unregister(hSocket);
        return FailAndClose(hSocket);
    }
    m_hSocket = static_cast<uintptr_t>(hSocket);
    return true;
}

bool CAsyncSocket::Connect(const wchar_t* pszHostAddress, unsigned nHostPort)
{
    if (m_hSocket == kInvalidSocketHandle) {
        WSASetLastError(WSAENOTSOCK);
        return false;
    }
    if (pszHostAddress == nullptr || nHostPort > 0xFFFF) {
        WSASetLastError(WSAEINVAL);
        return false;
    }

    sockaddr_in remote = {};
    remote.sin_family = AF_INET;
    remote.sin_port = htons(static_cast<u_short>(nHostPort));
    if (InetPtonW(AF_INET, pszHostAddress, &remote.sin_addr) != 1) {
        ADDRINFOW hints = {};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        ADDRINFOW* pResult = nullptr;
        const int nResult = GetAddrInfoW(pszHostAddress, nullptr, &hints, &pResult);
        if (nResult != 0 || pResult == nullptr) {
            WSASetLastError(nResult != 0 ? nResult : WSAHOST_NOT_FOUND);
            return false;
        }
        const bool bUsable = pResult->ai_addr != nullptr && pResult->ai_addrlen >= sizeof(sockaddr_in);
        if (bUsable)
            remote.sin_addr = reinterpret_cast<const sockaddr_in*>(pResult->ai_addr)->sin_addr;
        FreeAddrInfoW(pResult);
        if (!bUsable) {
            WSASetLastError(WSAHOST_NOT_FOUND);
            return false;
        }
    }

    // On a non-blocking socket this fails with WSAEWOULDBLOCK while the attempt is under way.
    return connect(static_cast<SOCKET>(m_hSocket), reinterpret_cast<const sockaddr*>(&remote), sizeof(remote)) !=
           SOCKET_ERROR;
}

int CAsyncSocket::Receive(void* pBuf, int nBufLen, int nFlags)
{
    if (m_hSocket == kInvalidSocketHandle) {
        WSASetLastError(WSAENOTSOCK);
        return kSocketError;
    }
    return recv(static_cast<SOCKET>(m_hSocket), static_cast<char*>(pBuf), nBufLen, nFlags);
}

void CAsyncSocket::Close()
{
    if (m_hSocket == kInvalidSocketHandle)
        return;
    const int nError = WSAGetLastError();
    const SOCKET hSocket = static_cast<SOCKET>(m_hSocket);
    m_hSocket = kInvalidSocketHandle;
    Unregister(hSocket);
    // Closing also ends the event selection: nothing more is posted for this socket.
    closesocket(hSocket);
    WSASetLastError(nError);
}

int CAsyncSocket::GetLastSocketError()
{
    return WSAGetLastError();
}

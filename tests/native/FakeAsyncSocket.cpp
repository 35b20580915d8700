// CAsyncSocket for native tests, driven by FakeSocket().
#include "tests/native/FakeAsyncSocket.h"

#include <cstring>

#include "framework/AsyncSocket.h"

FakeSocketScript& FakeSocket()
{
    static FakeSocketScript s_script;
    return s_script;
}

FakeSocketScript::Delivery Bytes(std::vector<uint8_t> bytes)
{
    FakeSocketScript::Delivery delivery;
    delivery.bytes = std::move(bytes);
    return delivery;
}

FakeSocketScript::Delivery ReceiveError(int nError)
{
    FakeSocketScript::Delivery delivery;
    delivery.nError = nError;
    return delivery;
}

CAsyncSocket::~CAsyncSocket()
{
    Close();
}

bool CAsyncSocket::Create(unsigned nSocketPort, int nSocketType, long lEvents, const wchar_t* pszSocketAddress)
{
    FakeSocketScript& script = FakeSocket();
    ++script.nCreateCalls;
    script.nCreatePort = nSocketPort;
    script.nCreateType = nSocketType;
    script.nCreateEvents = lEvents;
    script.bCreateHadAddress = pszSocketAddress != nullptr;
    if (!script.bCreateSucceeds || m_hSocket != kInvalidSocketHandle) {
        script.nLastError = script.nCreateError;
        return false;
    }
    m_hSocket = script.nNextHandle++;
    return true;
}

bool CAsyncSocket::Connect(const wchar_t* pszHostAddress, unsigned nHostPort)
{
    FakeSocketScript& script = FakeSocket();
    ++script.nConnectCalls;
    script.strConnectHost = pszHostAddress != nullptr ? pszHostAddress : L"";
    script.nConnectPort = nHostPort;
    if (!script.bConnectSucceeds) {
        script.nLastError = script.nConnectError;
        return false;
    }
    return true;
}

int CAsyncSocket::Receive(void* pBuf, int nBufLen, int /*nFlags*/)
{
    FakeSocketScript& script = FakeSocket();
    script.receiveLengths.push_back(nBufLen);
    if (nBufLen == 0)
        return 0;
    if (script.receives.empty()) {
        script.nLastError = 10035;
        return kSocketError;
    }
    FakeSocketScript::Delivery& next = script.receives.front();
    if (next.nError != 0) {
        script.nLastError = next.nError;
        script.receives.pop_front();
        return kSocketError;
    }
    const size_t nCopy =
        next.bytes.size() < static_cast<size_t>(nBufLen) ? next.bytes.size() : static_cast<size_t>(nBufLen);
    if (nCopy > 0)
        std::memcpy(pBuf, next.bytes.data(), nCopy);
    if (nCopy == next.bytes.size())
        script.receives.pop_front();
    else
        next.bytes.erase(next.bytes.begin(), next.bytes.begin() + static_cast<std::ptrdiff_t>(nCopy));
    return static_cast<int>(nCopy);
}

void CAsyncSocket::Close()
{
    if (m_hSocket == kInvalidSocketHandle)
        return;
    ++FakeSocket().nCloseCalls;
    m_hSocket = kInvalidSocketHandle;
}

int CAsyncSocket::GetLastSocketError()
{
    return FakeSocket().nLastError;
}

#include "link/SockClient.h"

#include <cstring>
#include <ctime>
#include <cwchar>
#include <string>

#include "app/AppString.h"
#include "app/Log.h"
#include "link/RouterEvents.h"
#include "link/WireProtocol.h"
#include "resources/StringIds.h"

namespace {

int64_t SystemNow()
{
    return static_cast<int64_t>(std::time(nullptr));
}

// Writes "CSockClient::OnReceive: N," and the new bytes in hexadecimal as one line.
void LogReceivedBytes(const uint8_t* pBytes, int nCount)
{
    constexpr size_t kPrefixMax = 48;
    wchar_t szLine[kPrefixMax + 2 * CSockClient::kBufferSize + 1];
    const int nPrefix = std::swprintf(szLine, kPrefixMax, L"CSockClient::OnReceive: %d,", nCount);
    if (nPrefix < 0)
        return;
    static const wchar_t kHex[] = L"0123456789ABCDEF";
    const int nBytes = nCount < CSockClient::kBufferSize ? nCount : CSockClient::kBufferSize;
    wchar_t* pOut = szLine + nPrefix;
    for (int i = 0; i < nBytes; ++i) {
        *pOut++ = kHex[pBytes[i] >> 4];
        *pOut++ = kHex[pBytes[i] & 0x0F];
    }
    *pOut = L'\0';
    XLogString(szLine);
}

// Types 3, 5, 9 and 10, whose text fields are decoded before their receiver is called.
[[gnu::noinline]] void DispatchTextMessage(IRouterEvents& owner, int nType, const uint8_t* pMessage, size_t nSize)
{
    switch (nType) {
    case MsgIncomingCall: {
        // The localised fallback is looked up only when the router sent no caller.
        std::wstring strCaller;
        if (DecodeIncomingCall(pMessage, nSize, nullptr, strCaller)) {
            if (strCaller.empty())
                strCaller = AppString(IDS_WITHHELD);
            owner.ReportCall(strCaller);
        }
        break;
    }
    case MsgRegistrationState: {
        RegistrationStateFields fields;
        if (DecodeRegistrationState(pMessage, nSize, fields))
            owner.SetRegistrationState(fields.nCsState, fields.nPsState, fields.nTechnology, fields.strOperator);
        break;
    }
    case MsgErrorReport: {
        std::wstring strText;
        if (DecodeErrorReport(pMessage, nSize, strText))
            owner.ReportError(strText);
        break;
    }
    case MsgSoftwareRequired: {
        SoftwareRequiredFields fields;
        if (DecodeSoftwareRequired(pMessage, nSize, fields))
            owner.ReportSoftwareRequired(fields.strVersion, fields.strUrl);
        break;
    }
    default:
        break;
    }
}

}  // namespace

CSockClient::NowFn CSockClient::s_pfnNow = &SystemNow;

CSockClient::CSockClient(IRouterEvents* pOwner) : m_pOwner(pOwner) {}

CSockClient::~CSockClient()
{
    Close();
}

void CSockClient::DropLink()
{
    // Bytes of a dropped connection are no start of anything on the next one.
    m_nReceived = 0;
    Close();
    m_pOwner->SetRouterConnected(false);
}

void CSockClient::OnConnect(int nErrorCode)
{
    XLog(1, L"CSockClient::OnConnect, %d.", nErrorCode);
    // Whatever an earlier connection left behind is no start of a message on this one.
    m_nReceived = 0;
    m_pOwner->SetRouterConnected(nErrorCode == 0);
    // A failed attempt is stamped too, so the next ticks retry on this socket for a while.
    m_tLastMessage = Now();
}

void CSockClient::OnClose(int /*nErrorCode*/)
{
    XLog(1, L"CSockClient::OnClose.");
    DropLink();
}

void CSockClient::OnReceive(int /*nErrorCode*/)
{
    const int nRead = Receive(m_receiveBuffer + m_nReceived, m_nBufferSize - m_nReceived, 0);
    if (nRead < 0) {
        if (GetLastSocketError() == kSocketWouldBlock)
            return;
        // The failed socket goes before the box: the link shows as lost at once, and the
        // timer connects again while the box waits for someone to click it. The box's loop
        // may thus deliver the new socket's events to this client; nothing of the old
        // connection is left for them to meet.
        DropLink();
        if (!m_bErrorBoxOpen) {
            m_bErrorBoxOpen = true;
            m_pOwner->ShowReceiveErrorBox(AppString(IDS_ERROR_OCCURRED));
            m_bErrorBoxOpen = false;
        }
        return;
    }
    if (nRead == 0) {
        // The router closed, or a message too long for the buffer filled it: only a new
        // connection starts again at a message boundary.
        DropLink();
        return;
    }

    if (XLogIsLevelEnabled(1))
        LogReceivedBytes(m_receiveBuffer + m_nReceived, nRead);
    m_nReceived += nRead;
    ProcessReceivedData();
}

void CSockClient::ProcessReceivedData()
{
    int32_t nPos = 0;
    int32_t nCount = 0;
    while (nPos + 1 < m_nReceived) {
        ++nCount;
        XLog(1, L"CSockClient::ProcessReceivedData, processing message %d.", nCount);
        const uint8_t* pMessage = m_receiveBuffer + nPos;
        const int32_t nLength = ReadU16BE(pMessage + WireHeader::TotalLength);
        if (nPos + nLength > m_nReceived)
            break;
        if (nLength == 0) {
            // Skipping by this length would never move on, and the position of the next
            // message is unknown: drop the link like a message too long for the buffer.
            ProcessMessage(pMessage, 0);
            DropLink();
            return;
        }
        ProcessMessage(pMessage, static_cast<uint32_t>(nLength));
        nPos += nLength;
    }

    if (nPos == m_nReceived) {
        XLog(1, L"CSockClient::ProcessReceivedData, complete messages.");
        m_nReceived = 0;
        return;
    }
    if (nPos > 0)
        std::memmove(m_receiveBuffer, m_receiveBuffer + nPos, static_cast<size_t>(m_nReceived - nPos));
    m_nReceived -= nPos;
    XLog(1, L"CSockClient::ProcessReceivedData, incomplete message %d, left %d bytes.", nCount, m_nReceived);
}

void CSockClient::ProcessMessage(const uint8_t* pMessage, uint32_t nLength)
{
    if (pMessage == nullptr) {
        XLog(3, L"CSockClient::ProcessMessage, NOK: NULL, ignored.");
        return;
    }
    if (nLength < WireHeader::Size) {
        XLog(2, L"CSockClient::ProcessMessage, NOK: message is too small, ignored.");
        return;
    }
    const int nHeaderLength = ReadU16BE(pMessage + WireHeader::TotalLength);
    if (static_cast<uint32_t>(nHeaderLength) != nLength) {
        XLog(2, L"CSockClient::ProcessMessage, NOK: header message size (%d) and message size (%d) mismatch, ignored.",
             nHeaderLength, static_cast<int>(nLength));
        return;
    }
    const int nVersion = ReadU8(pMessage + WireHeader::Version);
    if (nVersion != WireHeader::ProtocolVersion) {
        XLog(2, L"CSockClient::ProcessMessage, NOK: unsupported protocol (%d).", nVersion);
        return;
    }
    const int nType = ReadU8(pMessage + WireHeader::Type);
    const uint16_t nTypeSize = MsgTotalSize(static_cast<unsigned>(nType));
    if (nTypeSize == 0) {
        XLog(2, L"CSockClient::ProcessMessage, NOK: unknown type (%d), ignored.", nType);
        return;
    }
    if (nLength != nTypeSize) {
        XLog(2, L"CSockClient::ProcessMessage, NOK: message type (%d) and message size (%d) mismatch, ignored.", nType,
             static_cast<int>(nTypeSize));
        return;
    }

    XLog(1, L"CSockClient::ProcessMessage, message of type %d to be processed.", nType);
    // Every valid message keeps the link alive, whatever its receiver does with it.
    m_tLastMessage = Now();

    // The size is checked, so the one-byte fields are read in place here; the types with
    // text go through their decoders, out of line so this path keeps a small frame. A chain
    // of tests rather than a switch: its branches follow a stream that alternates between
    // status types far better than the one indirect jump of a table (twice the throughput).
    if (nType == MsgSignalStrength)
        m_pOwner->SetSignalStrength(ReadU8(pMessage + SignalStrengthLayout::Level));
    else if (nType == MsgConnectionState)
        m_pOwner->SetConnectionState(ReadU8(pMessage + ConnectionStateLayout::State));
    else if (nType == MsgConnectedUsers)
        m_pOwner->SetConnectedUsersCount(ReadU8(pMessage + ConnectedUsersLayout::Kind),
                                         ReadU16BE(pMessage + ConnectedUsersLayout::Count));
    else if (nType == MsgKeepAlive)
        return;
    else if (nType == MsgLiveUpdateStatus)
        m_pOwner->ReportLiveUpdateStatus(ReadI8(pMessage + LiveUpdateStatusLayout::Status));
    else if (nType == MsgSmsReceived)
        m_pOwner->ProcessReceivedSmsMessage(pMessage, nLength);
    else if (nType == MsgMissedCall)
        m_pOwner->ProcessMissedCallMessage(pMessage, nLength);
    else
        DispatchTextMessage(*m_pOwner, nType, pMessage, nLength);
}

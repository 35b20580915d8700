// CSockClient: framing of the received stream, the checks on each message, the dispatch to
// the owner, the link-loss paths and what happens while the receive error box is open.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/Log.h"
#include "link/LinkDriver.h"
#include "link/RouterEvents.h"
#include "link/SockClient.h"
#include "link/WireProtocol.h"
#include "tests/native/FakeAsyncSocket.h"
#include "tests/native/LogCapture.h"

namespace {

using Bytes_t = std::vector<uint8_t>;

// A message with header length nHeaderLength and nSize bytes in all, the rest 'Z'.
Bytes_t Message(uint8_t nType, size_t nSize, uint16_t nHeaderLength, uint8_t nVersion = 1)
{
    Bytes_t msg(nSize, 'Z');
    if (nSize >= 1)
        msg[0] = static_cast<uint8_t>(nHeaderLength >> 8);
    if (nSize >= 2)
        msg[1] = static_cast<uint8_t>(nHeaderLength);
    if (nSize >= 3)
        msg[2] = nType;
    if (nSize >= 4)
        msg[3] = nVersion;
    return msg;
}

Bytes_t Message(MsgType nType)
{
    return Message(nType, MsgTotalSize(nType), MsgTotalSize(nType));
}

Bytes_t WithByte(Bytes_t msg, size_t nOffset, uint8_t nValue)
{
    msg[nOffset] = nValue;
    return msg;
}

Bytes_t WithText(Bytes_t msg, const WireTextField& field, const std::string& text)
{
    if (field.nLengthBytes == 1) {
        msg[field.nLengthOffset] = static_cast<uint8_t>(text.size());
    } else {
        msg[field.nLengthOffset] = static_cast<uint8_t>(text.size() >> 8);
        msg[field.nLengthOffset + 1] = static_cast<uint8_t>(text.size());
    }
    std::copy(text.begin(), text.end(), msg.begin() + static_cast<std::ptrdiff_t>(field.nAreaOffset));
    return msg;
}

Bytes_t Slice(const Bytes_t& bytes, size_t nFrom, size_t nTo)
{
    return Bytes_t(bytes.begin() + static_cast<std::ptrdiff_t>(nFrom),
                   bytes.begin() + static_cast<std::ptrdiff_t>(nTo));
}

Bytes_t Join(std::initializer_list<Bytes_t> parts)
{
    Bytes_t all;
    for (const Bytes_t& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

Bytes_t Signal(uint8_t nLevel)
{
    return WithByte(Message(MsgSignalStrength), SignalStrengthLayout::Level, nLevel);
}

Bytes_t Registration()
{
    Bytes_t msg = Message(MsgRegistrationState);
    msg[RegistrationStateLayout::CsState] = 2;
    msg[RegistrationStateLayout::PsState] = 7;
    msg[RegistrationStateLayout::Technology] = 5;
    return WithText(msg, RegistrationStateLayout::Operator, " Tessanet ");
}

Bytes_t SoftwareRequired()
{
    return WithText(WithText(Message(MsgSoftwareRequired), SoftwareRequiredLayout::Version, "2.1"),
                    SoftwareRequiredLayout::Url, "http://127.0.0.1/n.exe");
}

const wchar_t kProcessing1[] = L"CSockClient::ProcessReceivedData, processing message 1.";
const wchar_t kProcessing2[] = L"CSockClient::ProcessReceivedData, processing message 2.";
const wchar_t kComplete[] = L"CSockClient::ProcessReceivedData, complete messages.";
const wchar_t kTooSmall[] = L"CSockClient::ProcessMessage, NOK: message is too small, ignored.";

std::wstring TypeLine(int nType)
{
    return L"CSockClient::ProcessMessage, message of type " + std::to_wstring(nType) + L" to be processed.";
}

std::wstring Text(const std::wstring& s)
{
    return L"\"" + s + L"\"";
}

// Records every call as one line of text, in order.
class CRecordingOwner : public IRouterEvents {
public:
    void SetConnectionState(int32_t nState) override { Add(L"SetConnectionState(" + N(nState) + L")"); }
    void ProcessReceivedSmsMessage(const uint8_t* pMessage, uint32_t nLength) override
    {
        Add(L"ProcessReceivedSmsMessage(" + N(nLength) + L", id " + N(SmsId(pMessage, nLength)) + L")");
    }
    void ReportCall(const std::wstring& strCaller) override { Add(L"ReportCall(" + Text(strCaller) + L")"); }
    void ProcessMissedCallMessage(const uint8_t* pMessage, uint32_t nLength) override
    {
        Add(L"ProcessMissedCallMessage(" + N(nLength) + L", id " + N(MissedCallId(pMessage, nLength)) + L")");
    }
    void SetRegistrationState(int32_t nCS, int32_t nPS, int32_t nTechnology, const std::wstring& strOperator) override
    {
        Add(L"SetRegistrationState(" + N(nCS) + L", " + N(nPS) + L", " + N(nTechnology) + L", " + Text(strOperator) +
            L")");
    }
    void SetSignalStrength(int32_t nLevel) override { Add(L"SetSignalStrength(" + N(nLevel) + L")"); }
    void SetConnectedUsersCount(int32_t nKind, int32_t nCount) override
    {
        Add(L"SetConnectedUsersCount(" + N(nKind) + L", " + N(nCount) + L")");
    }
    void ReportError(const std::wstring& strText) override { Add(L"ReportError(" + Text(strText) + L")"); }
    void ReportSoftwareRequired(const std::wstring& strVersion, const std::wstring& strUrl) override
    {
        Add(L"ReportSoftwareRequired(" + Text(strVersion) + L", " + Text(strUrl) + L")");
    }
    void ReportLiveUpdateStatus(int32_t nStatus) override { Add(L"ReportLiveUpdateStatus(" + N(nStatus) + L")"); }
    void SetRouterConnected(bool bConnected) override
    {
        Add(bConnected ? L"SetRouterConnected(true)" : L"SetRouterConnected(false)");
        m_bConnected = bConnected;
    }
    bool IsRouterConnected() const override { return m_bConnected; }
    void ShowReceiveErrorBox(const std::wstring& strText) override
    {
        Add(L"ShowReceiveErrorBox(" + Text(strText) + L")");
        if (m_pfnWhileBoxOpen)
            m_pfnWhileBoxOpen();
    }

    std::vector<std::wstring> m_calls;
    bool m_bConnected = false;
    // Runs while the box is "open", as the box's message loop would deliver events.
    std::function<void()> m_pfnWhileBoxOpen;

private:
    template <typename T>
    static std::wstring N(T n)
    {
        return std::to_wstring(n);
    }
    void Add(std::wstring call) { m_calls.push_back(std::move(call)); }
};

class SockClientTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FakeSocket() = {};
        g_tNow = 1700000000;
        m_pfnPreviousNow = CSockClient::s_pfnNow;
        CSockClient::s_pfnNow = &FakeNow;
        ASSERT_TRUE(m_client.Create(0, kSocketStream, kSocketAllEvents, nullptr));
    }
    void TearDown() override { CSockClient::s_pfnNow = m_pfnPreviousNow; }

    // One OnReceive per chunk, each chunk a separate arrival.
    void Deliver(const std::vector<Bytes_t>& chunks)
    {
        for (const Bytes_t& chunk : chunks) {
            FakeSocket().receives.push_back(Bytes(chunk));
            m_client.OnReceive(0);
        }
    }

    // The log without the hexadecimal dumps of OnReceive.
    static std::vector<std::wstring> LinesWithoutDumps()
    {
        std::vector<std::wstring> lines;
        for (const std::wstring& line : g_lines)
            if (line.rfind(L"CSockClient::OnReceive: ", 0) != 0)
                lines.push_back(line);
        return lines;
    }

    CRecordingOwner m_owner;
    CSockClient m_client{&m_owner};

private:
    CSockClient::NowFn m_pfnPreviousNow = nullptr;
    CLogCapture m_log{1};
};

// ---------------------------------------------------------------------------------------
// Framing and checks, through the socket: what arrives, what is logged, what is called.

struct DeliveryCase {
    const char* pszName;
    std::vector<Bytes_t> chunks;
    std::vector<std::wstring> lines;
    std::vector<std::wstring> calls;
    int32_t nLeft;      // m_nReceived afterwards
    bool bStamped;      // m_tLastMessage set to now
    bool bLinkDropped;  // the socket closed
};

// One case a row, as the table reads best.
// clang-format off
const DeliveryCase kDeliveryCases[] = {
    {"TwoMessagesInOneReceive",
     {Join({Signal(3), WithByte(Message(MsgConnectionState), ConnectionStateLayout::State, 3)})},
     {kProcessing1, TypeLine(6), kProcessing2, TypeLine(1), kComplete},
     {L"SetSignalStrength(3)", L"SetConnectionState(3)"},
     0, true, false},
    {"RegistrationIn20Then28Bytes",
     {Slice(Registration(), 0, 20), Slice(Registration(), 20, 48)},
     {kProcessing1, L"CSockClient::ProcessReceivedData, incomplete message 1, left 20 bytes.",
      kProcessing1, TypeLine(5), kComplete},
     {L"SetRegistrationState(2, 7, 5, \"Tessanet\")"},
     0, true, false},
    {"SingleByteStaysForLater",
     {{0x00}},
     {L"CSockClient::ProcessReceivedData, incomplete message 0, left 1 bytes."},
     {},
     1, false, false},
    {"Version2SkippedByItsLength",
     {Join({Message(MsgSignalStrength, 6, 6, 2), Signal(4)})},
     {kProcessing1, L"CSockClient::ProcessMessage, NOK: unsupported protocol (2).", kProcessing2, TypeLine(6),
      kComplete},
     {L"SetSignalStrength(4)"},
     0, true, false},
    {"SevenByteSignalNamesTheRequiredSize",
     {Message(MsgSignalStrength, 7, 7)},
     {kProcessing1,
      L"CSockClient::ProcessMessage, NOK: message type (6) and message size (6) mismatch, ignored.", kComplete},
     {},
     0, false, false},
    {"Type12Skipped",
     {Join({Message(12, 6, 6), Signal(1)})},
     {kProcessing1, L"CSockClient::ProcessMessage, NOK: unknown type (12), ignored.", kProcessing2, TypeLine(6),
      kComplete},
     {L"SetSignalStrength(1)"},
     0, true, false},
    // Length 1 skips one byte only: the next header starts at the length's low byte, here
    // the first byte of a 478-byte (0x01DE) message.
    {"HeaderLength1SkipsOneByte",
     {Join({{0x00}, SoftwareRequired()})},
     {kProcessing1, kTooSmall, kProcessing2, TypeLine(10), kComplete},
     {L"ReportSoftwareRequired(\"2.1\", \"http://127.0.0.1/n.exe\")"},
     0, true, false},
    {"HeaderLength2SkipsTwoBytes",
     {Join({{0x00, 0x02}, Signal(2)})},
     {kProcessing1, kTooSmall, kProcessing2, TypeLine(6), kComplete},
     {L"SetSignalStrength(2)"},
     0, true, false},
    {"HeaderLength3SkipsThreeBytes",
     {Join({{0x00, 0x03, 0x06}, Signal(5)})},
     {kProcessing1, kTooSmall, kProcessing2, TypeLine(6), kComplete},
     {L"SetSignalStrength(5)"},
     0, true, false},
    // The buffer fills, the next receive asks for nothing and gets nothing: link dropped.
    {"Header5000FillsTheBufferAndDropsTheLink",
     {Join({Message(MsgSignalStrength, 4, 5000), Bytes_t(2000, 0)}), Bytes_t(2092, 0), Bytes_t(10, 0)},
     {kProcessing1, L"CSockClient::ProcessReceivedData, incomplete message 1, left 2004 bytes.", kProcessing1,
      L"CSockClient::ProcessReceivedData, incomplete message 1, left 4096 bytes."},
     {L"SetRouterConnected(false)"},
     0, false, true},
    // Length 0 cannot be skipped: what came before it counts, the rest goes with the link.
    {"HeaderLength0DropsTheLink",
     {Join({Signal(3), {0x00, 0x00, 0x06, 0x01}, Signal(4)})},
     {kProcessing1, TypeLine(6), kProcessing2, kTooSmall},
     {L"SetSignalStrength(3)", L"SetRouterConnected(false)"},
     0, true, true},
    {"RouterClosesTheConnection",
     {Bytes_t()},
     {},
     {L"SetRouterConnected(false)"},
     0, false, true},
};
// clang-format on

void PrintTo(const DeliveryCase& c, std::ostream* pOut)
{
    *pOut << c.pszName;
}

class SockClientDeliveryTest : public SockClientTest, public ::testing::WithParamInterface<DeliveryCase> {};

TEST_P(SockClientDeliveryTest, LogsAndCalls)
{
    const DeliveryCase& c = GetParam();
    m_client.m_tLastMessage = 5;
    Deliver(c.chunks);

    EXPECT_EQ(LinesWithoutDumps(), c.lines);
    EXPECT_EQ(m_owner.m_calls, c.calls);
    EXPECT_EQ(m_client.m_nReceived, c.nLeft);
    EXPECT_EQ(m_client.m_tLastMessage, c.bStamped ? g_tNow : 5);
    EXPECT_EQ(FakeSocket().nCloseCalls, c.bLinkDropped ? 1 : 0);
    EXPECT_EQ(m_client.m_hSocket == kInvalidSocketHandle, c.bLinkDropped);
}

INSTANTIATE_TEST_SUITE_P(Framing, SockClientDeliveryTest, ::testing::ValuesIn(kDeliveryCases),
                         [](const auto& info) { return std::string(info.param.pszName); });

TEST_F(SockClientTest, SingleByteIsKeptAndCompletedByTheNextReceive)
{
    const Bytes_t msg = Signal(2);
    Deliver({Bytes_t(msg.begin(), msg.begin() + 1), Bytes_t(msg.begin() + 1, msg.end())});
    EXPECT_EQ(m_owner.m_calls, std::vector<std::wstring>{L"SetSignalStrength(2)"});
    EXPECT_EQ(m_client.m_nReceived, 0);
}

TEST_F(SockClientTest, ReceiveAsksForTheFreeRoomOfTheBuffer)
{
    const Bytes_t msg = Registration();
    Deliver({Bytes_t(msg.begin(), msg.begin() + 20), Bytes_t(msg.begin() + 20, msg.end())});
    EXPECT_EQ(FakeSocket().receiveLengths, (std::vector<int>{4096, 4076}));
}

TEST_F(SockClientTest, RemainderMovesToTheFront)
{
    const Bytes_t second = Signal(4);
    Deliver({Join({Signal(1), Bytes_t(second.begin(), second.begin() + 3)})});
    EXPECT_EQ(g_lines.back(), L"CSockClient::ProcessReceivedData, incomplete message 2, left 3 bytes.");
    EXPECT_EQ(Bytes_t(m_client.m_receiveBuffer, m_client.m_receiveBuffer + 3),
              Bytes_t(second.begin(), second.begin() + 3));
    Deliver({Bytes_t(second.begin() + 3, second.end())});
    EXPECT_EQ(m_owner.m_calls, (std::vector<std::wstring>{L"SetSignalStrength(1)", L"SetSignalStrength(4)"}));
}

// ---------------------------------------------------------------------------------------
// The hexadecimal dump of each receive and the level-1 filter.

TEST_F(SockClientTest, ReceiveIsDumpedInHexadecimal)
{
    Deliver({{0x00, 0x06, 0x01}, {0xAB, 0xCD, 0xEF}});
    ASSERT_GE(g_lines.size(), 1u);
    EXPECT_EQ(g_lines[0], L"CSockClient::OnReceive: 3,000601");
    EXPECT_NE(std::find(g_lines.begin(), g_lines.end(), L"CSockClient::OnReceive: 3,ABCDEF"), g_lines.end());
}

TEST_F(SockClientTest, FullBufferIsDumpedWhole)
{
    Deliver({Join({Message(MsgSignalStrength, 4, 5000), Bytes_t(4092, 0xA5)})});
    ASSERT_GE(g_lines.size(), 1u);
    std::wstring expected = L"CSockClient::OnReceive: 4096,138806";
    expected += L"01";  // version byte
    for (int i = 0; i < 4092; ++i)
        expected += L"A5";
    EXPECT_EQ(g_lines[0], expected);
}

TEST_F(SockClientTest, DetailLinesNeedLevel1ButWarningsDoNot)
{
    XLogSetLevel(0);
    Deliver({Join({Signal(3), Message(MsgSignalStrength, 6, 6, 2), {0x00}})});
    EXPECT_EQ(g_lines, std::vector<std::wstring>{L"CSockClient::ProcessMessage, NOK: unsupported protocol (2)."});
    EXPECT_EQ(m_owner.m_calls, std::vector<std::wstring>{L"SetSignalStrength(3)"});
}

// ---------------------------------------------------------------------------------------
// Checks of ProcessMessage in their order, called directly (the framer always passes the
// header's own length, so some of them are reachable only this way).

struct CheckCase {
    const char* pszName;
    Bytes_t message;
    uint32_t nLength;  // 0: the message's size
    std::wstring line;
};

const CheckCase kCheckCases[] = {
    {"HeaderAndSizeMismatch", Message(MsgSignalStrength, 6, 8), 0,
     L"CSockClient::ProcessMessage, NOK: header message size (8) and message size (6) mismatch, ignored."},
    {"HeaderCheckedBeforeVersion", Message(MsgSignalStrength, 6, 7, 9), 0,
     L"CSockClient::ProcessMessage, NOK: header message size (7) and message size (6) mismatch, ignored."},
    {"VersionCheckedBeforeType", Message(0, 6, 6, 0), 0,
     L"CSockClient::ProcessMessage, NOK: unsupported protocol (0)."},
    {"Type0", Message(0, 6, 6), 0, L"CSockClient::ProcessMessage, NOK: unknown type (0), ignored."},
    {"Type255", Message(255, 6, 6), 0, L"CSockClient::ProcessMessage, NOK: unknown type (255), ignored."},
    {"TypeCheckedBeforeSize", Message(12, 886, 886), 0,
     L"CSockClient::ProcessMessage, NOK: unknown type (12), ignored."},
    {"SmsOneByteShort", Message(MsgSmsReceived, 885, 885), 0,
     L"CSockClient::ProcessMessage, NOK: message type (2) and message size (886) mismatch, ignored."},
    {"LiveUpdateOneByteLong", Message(MsgLiveUpdateStatus, 6, 6), 0,
     L"CSockClient::ProcessMessage, NOK: message type (11) and message size (5) mismatch, ignored."},
    {"ThreeBytes", Message(MsgSignalStrength, 6, 6), 3, kTooSmall},
};

void PrintTo(const CheckCase& c, std::ostream* pOut)
{
    *pOut << c.pszName;
}

class SockClientCheckTest : public SockClientTest, public ::testing::WithParamInterface<CheckCase> {};

TEST_P(SockClientCheckTest, FailingCheckLogsAndDoesNothingElse)
{
    const CheckCase& c = GetParam();
    m_client.m_tLastMessage = 5;
    m_client.ProcessMessage(c.message.data(), c.nLength != 0 ? c.nLength : static_cast<uint32_t>(c.message.size()));
    EXPECT_EQ(g_lines, std::vector<std::wstring>{c.line});
    EXPECT_TRUE(m_owner.m_calls.empty());
    EXPECT_EQ(m_client.m_tLastMessage, 5);
}

INSTANTIATE_TEST_SUITE_P(Checks, SockClientCheckTest, ::testing::ValuesIn(kCheckCases),
                         [](const auto& info) { return std::string(info.param.pszName); });

TEST_F(SockClientTest, NullMessageIsAnError)
{
    XLogSetLevel(3);
    m_client.ProcessMessage(nullptr, 6);
    EXPECT_EQ(g_lines, std::vector<std::wstring>{L"CSockClient::ProcessMessage, NOK: NULL, ignored."});
    EXPECT_TRUE(m_owner.m_calls.empty());
}

// ---------------------------------------------------------------------------------------
// Dispatch: every type reaches its receiver with the fields from their own places.

struct DispatchCase {
    const char* pszName;
    Bytes_t message;
    std::vector<std::wstring> calls;
};

Bytes_t Sms()
{
    Bytes_t msg = Message(MsgSmsReceived);
    for (int i = 0; i < 4; ++i)
        msg[SmsReceivedLayout::SmsId + i] = static_cast<uint8_t>(0x01 << i);
    return msg;
}

Bytes_t MissedCall()
{
    Bytes_t msg = Message(MsgMissedCall);
    for (int i = 0; i < 3; ++i)
        msg[MissedCallLayout::CallId + i] = 0;
    msg[MissedCallLayout::CallId + 3] = 42;
    return msg;
}

const DispatchCase kDispatchCases[] = {
    {"ConnectionState",
     WithByte(Message(MsgConnectionState), ConnectionStateLayout::State, 0xC8),
     {L"SetConnectionState(200)"}},
    {"Sms", Sms(), {L"ProcessReceivedSmsMessage(886, id 16909320)"}},
    {"IncomingCall",
     WithText(Message(MsgIncomingCall), IncomingCallLayout::Caller, "+4930123"),
     {L"ReportCall(\"+4930123\")"}},
    {"IncomingCallWithoutCaller",
     WithText(Message(MsgIncomingCall), IncomingCallLayout::Caller, " \r\n "),
     {L"ReportCall(\"Withheld\")"}},
    {"MissedCall", MissedCall(), {L"ProcessMissedCallMessage(84, id 42)"}},
    {"RegistrationState", Registration(), {L"SetRegistrationState(2, 7, 5, \"Tessanet\")"}},
    {"SignalStrength", Signal(9), {L"SetSignalStrength(9)"}},
    {"ConnectedUsers",
     WithByte(WithByte(WithByte(Message(MsgConnectedUsers), ConnectedUsersLayout::Kind, 2), ConnectedUsersLayout::Count,
                       0x01),
              ConnectedUsersLayout::Count + 1, 0x02),
     {L"SetConnectedUsersCount(2, 258)"}},
    {"KeepAlive", Message(MsgKeepAlive), {}},
    {"ErrorReport",
     WithText(Message(MsgErrorReport), ErrorReportLayout::Text, "SIM locked"),
     {L"ReportError(\"SIM locked\")"}},
    {"SoftwareRequired", SoftwareRequired(), {L"ReportSoftwareRequired(\"2.1\", \"http://127.0.0.1/n.exe\")"}},
    {"LiveUpdateStatusIsSigned",
     WithByte(Message(MsgLiveUpdateStatus), LiveUpdateStatusLayout::Status, 0xFE),
     {L"ReportLiveUpdateStatus(-2)"}},
};

void PrintTo(const DispatchCase& c, std::ostream* pOut)
{
    *pOut << c.pszName;
}

class SockClientDispatchTest : public SockClientTest, public ::testing::WithParamInterface<DispatchCase> {};

TEST_P(SockClientDispatchTest, ReachesItsReceiverAndStampsTheTime)
{
    const DispatchCase& c = GetParam();
    Deliver({c.message});
    EXPECT_EQ(m_owner.m_calls, c.calls);
    EXPECT_EQ(m_client.m_tLastMessage, g_tNow);
    EXPECT_EQ(m_client.m_nReceived, 0);
}

INSTANTIATE_TEST_SUITE_P(Dispatch, SockClientDispatchTest, ::testing::ValuesIn(kDispatchCases),
                         [](const auto& info) { return std::string(info.param.pszName); });

// ---------------------------------------------------------------------------------------
// Connection events.

struct ConnectCase {
    int nErrorCode;
    const wchar_t* pszLine;
    const wchar_t* pszCall;
};

TEST_F(SockClientTest, OnConnectReportsOutcomeDropsLeftoversAndStamps)
{
    const ConnectCase cases[] = {
        {0, L"CSockClient::OnConnect, 0.", L"SetRouterConnected(true)"},
        {10061, L"CSockClient::OnConnect, 10061.", L"SetRouterConnected(false)"},
    };
    for (const ConnectCase& c : cases) {
        SCOPED_TRACE(c.nErrorCode);
        g_lines.clear();
        m_owner.m_calls.clear();
        m_client.m_nReceived = 5;
        m_client.m_tLastMessage = 0;
        m_client.OnConnect(c.nErrorCode);
        EXPECT_EQ(g_lines, std::vector<std::wstring>{c.pszLine});
        EXPECT_EQ(m_owner.m_calls, std::vector<std::wstring>{c.pszCall});
        EXPECT_EQ(m_client.m_nReceived, 0);
        EXPECT_EQ(m_client.m_tLastMessage, g_tNow);
        EXPECT_EQ(FakeSocket().nCloseCalls, 0);  // a failed attempt keeps its socket
    }
}

TEST_F(SockClientTest, OnCloseClosesAndReportsTheLoss)
{
    m_client.OnClose(10053);
    EXPECT_EQ(g_lines, std::vector<std::wstring>{L"CSockClient::OnClose."});
    EXPECT_EQ(m_owner.m_calls, std::vector<std::wstring>{L"SetRouterConnected(false)"});
    EXPECT_EQ(FakeSocket().nCloseCalls, 1);
    EXPECT_EQ(m_client.m_hSocket, kInvalidSocketHandle);
}

TEST_F(SockClientTest, WouldBlockReceiveHasNoEffect)
{
    FakeSocket().receives.push_back(ReceiveError(10035));
    m_client.m_nReceived = 1;
    m_client.OnReceive(0);
    EXPECT_TRUE(g_lines.empty());
    EXPECT_TRUE(m_owner.m_calls.empty());
    EXPECT_EQ(FakeSocket().nCloseCalls, 0);
    EXPECT_EQ(m_client.m_nReceived, 1);
}

TEST_F(SockClientTest, ReceiveErrorDropsTheLinkThenShowsTheBox)
{
    int nClosesWhileOpen = -1;
    m_owner.m_pfnWhileBoxOpen = [&] { nClosesWhileOpen = FakeSocket().nCloseCalls; };
    m_client.m_nReceived = 3;
    FakeSocket().receives.push_back(ReceiveError(10054));
    m_client.OnReceive(0);
    EXPECT_EQ(m_owner.m_calls,
              (std::vector<std::wstring>{L"SetRouterConnected(false)", L"ShowReceiveErrorBox(\"Error occured:\n\")"}));
    EXPECT_EQ(nClosesWhileOpen, 1);
    EXPECT_EQ(FakeSocket().nCloseCalls, 1);
    EXPECT_EQ(m_client.m_hSocket, kInvalidSocketHandle);
    EXPECT_EQ(m_client.m_nReceived, 0);
}

// ---------------------------------------------------------------------------------------
// While the error box is open its message loop delivers ticks and socket events: the link
// goes on as if the box were not there, and a second failure shows no second box.

TEST_F(SockClientTest, TheLinkGoesOnWhileTheErrorBoxIsOpen)
{
    m_owner.m_bConnected = true;
    m_owner.m_pfnWhileBoxOpen = [&] {
        ConnectIfNeeded(m_client, L"127.0.0.1", 1337, m_owner);
        EXPECT_NE(m_client.m_hSocket, kInvalidSocketHandle);
        m_client.OnConnect(0);
        FakeSocket().receives.push_back(Bytes(Signal(3)));
        m_client.OnReceive(0);
        FakeSocket().receives.push_back(ReceiveError(10054));
        m_client.OnReceive(0);
    };
    FakeSocket().receives.push_back(ReceiveError(10054));
    m_client.OnReceive(0);

    EXPECT_EQ(m_owner.m_calls,
              (std::vector<std::wstring>{L"SetRouterConnected(false)", L"ShowReceiveErrorBox(\"Error occured:\n\")",
                                         L"SetRouterConnected(true)", L"SetSignalStrength(3)",
                                         L"SetRouterConnected(false)"}));
    EXPECT_EQ(FakeSocket().nCreateCalls, 2);
    EXPECT_EQ(FakeSocket().nConnectCalls, 1);
    EXPECT_EQ(FakeSocket().nCloseCalls, 2);
    EXPECT_EQ(m_client.m_hSocket, kInvalidSocketHandle);
    EXPECT_TRUE(FakeSocket().receives.empty());
}

TEST_F(SockClientTest, DestructionClosesAnOpenSocket)
{
    {
        CSockClient client(&m_owner);
        ASSERT_TRUE(client.Create(0, kSocketStream, kSocketAllEvents, nullptr));
    }
    EXPECT_EQ(FakeSocket().nCloseCalls, 1);
    EXPECT_TRUE(m_owner.m_calls.empty());
}

}  // namespace

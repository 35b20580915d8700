// ConnectIfNeeded: the watchdog, and the creation and connection of a socket while the link
// is down; then the timer and the router together over a simulated clock.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/Log.h"
#include "link/LinkDriver.h"
#include "link/RouterEvents.h"
#include "link/SockClient.h"
#include "status/DeviceStatus.h"
#include "tests/native/FakeAsyncSocket.h"
#include "tests/native/LogCapture.h"

namespace {

// Plays the main window's part in the link: the link flag and the loss reset.
class CLinkOwner : public IRouterEvents {
public:
    void SetConnectionState(int32_t) override {}
    void ProcessReceivedSmsMessage(const uint8_t*, uint32_t) override {}
    void ReportCall(const std::wstring&) override {}
    void ProcessMissedCallMessage(const uint8_t*, uint32_t) override {}
    void SetRegistrationState(int32_t, int32_t, int32_t, const std::wstring&) override {}
    void SetSignalStrength(int32_t) override {}
    void SetConnectedUsersCount(int32_t, int32_t) override {}
    void ReportError(const std::wstring&) override {}
    void ReportSoftwareRequired(const std::wstring&, const std::wstring&) override {}
    void ReportLiveUpdateStatus(int32_t) override {}
    void ShowReceiveErrorBox(const std::wstring&) override {}
    void SetRouterConnected(bool bConnected) override
    {
        if (bConnected) {
            m_status.m_bConnected = 1;
        } else {
            m_status.Reset();
            ++m_nLosses;
        }
    }

    bool IsRouterConnected() const override { return m_status.m_bConnected != 0; }

    CDeviceStatus m_status;
    int m_nLosses = 0;
};

class LinkDriverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FakeSocket() = {};
        g_tNow = 1700000000;
        m_pfnPreviousNow = CSockClient::s_pfnNow;
        CSockClient::s_pfnNow = &FakeNow;
    }
    void TearDown() override { CSockClient::s_pfnNow = m_pfnPreviousNow; }

    void Tick() { ConnectIfNeeded(m_client, L"127.0.0.1", 1337, m_owner); }

    CLinkOwner m_owner;
    CSockClient m_client{&m_owner};

private:
    CSockClient::NowFn m_pfnPreviousNow = nullptr;
    CLogCapture m_log{1};
};

struct TickCase {
    const char* pszName;
    bool bSocketOpen;
    bool bConnected;
    int64_t nAge;  // now - m_tLastMessage
    bool bCreateSucceeds;
    bool bConnectSucceeds;
    int nConnectError;
    // Expected.
    bool bDropped;  // closed and reported lost
    int nCreates;
    int nConnects;
    std::vector<std::wstring> lines;
};

void PrintTo(const TickCase& c, std::ostream* pOut)
{
    *pOut << c.pszName;
}

// One case a row, as the table reads best.
// clang-format off
const TickCase kTickCases[] = {
    {"Age10IsNotStale", true, true, 10, true, false, 10035, false, 0, 0, {}},
    {"Age11IsStaleAndReconnectsAtOnce", true, true, 11, true, false, 10035, true, 1, 1, {}},
    {"NegativeAgeIsNeverStale", true, true, -100000, true, false, 10035, false, 0, 0, {}},
    {"AgeBeyond32BitsIsStale", true, true, 0x100000005LL, true, false, 10035, true, 1, 1, {}},
    {"StalePendingAttemptIsReplaced", true, false, 11, true, false, 10035, true, 1, 1, {}},
    {"FailedAttemptRetriesOnItsSocket", true, false, 3, true, false, 10061, false, 0, 1,
     {L"CDlgMain::ConnectIfNeeded, CSockClient::Connect(127.0.0.1, 1337): NOK, 10061."}},
    {"IdleCreatesAndConnects", false, false, 0, true, false, 10035, false, 1, 1, {}},
    {"ImmediateConnectIsSilent", false, false, 0, true, true, 0, false, 1, 1, {}},
    {"CreateFailureIsLoggedAndStops", false, false, 0, false, false, 10035, false, 1, 0,
     {L"CDlgMain::ConnectIfNeeded, CSockClient::Create: NOK."}},
    {"ConnectFailureIsLogged", false, false, 0, true, false, 10065, false, 1, 1,
     {L"CDlgMain::ConnectIfNeeded, CSockClient::Connect(127.0.0.1, 1337): NOK, 10065."}},
};
// clang-format on

class LinkDriverTickTest : public LinkDriverTest, public ::testing::WithParamInterface<TickCase> {};

TEST_P(LinkDriverTickTest, OneTick)
{
    const TickCase& c = GetParam();
    if (c.bSocketOpen) {
        ASSERT_TRUE(m_client.Create(0, kSocketStream, kSocketAllEvents, nullptr));
    }
    FakeSocket() = {};
    FakeSocket().bCreateSucceeds = c.bCreateSucceeds;
    FakeSocket().bConnectSucceeds = c.bConnectSucceeds;
    FakeSocket().nConnectError = c.nConnectError;
    m_owner.m_status.m_bConnected = c.bConnected ? 1 : 0;
    m_client.m_tLastMessage = g_tNow - c.nAge;

    Tick();

    EXPECT_EQ(FakeSocket().nCloseCalls, c.bDropped ? 1 : 0);
    EXPECT_EQ(m_owner.m_nLosses, c.bDropped ? 1 : 0);
    EXPECT_EQ(FakeSocket().nCreateCalls, c.nCreates);
    EXPECT_EQ(FakeSocket().nConnectCalls, c.nConnects);
    EXPECT_EQ(g_lines, c.lines);
    if (c.nCreates > 0) {
        EXPECT_EQ(FakeSocket().nCreatePort, 0u);
        EXPECT_EQ(FakeSocket().nCreateType, kSocketStream);
        EXPECT_EQ(FakeSocket().nCreateEvents, 0x3F);
        EXPECT_FALSE(FakeSocket().bCreateHadAddress);
    }
    if (c.nConnects > 0) {
        EXPECT_EQ(FakeSocket().strConnectHost, L"127.0.0.1");
        EXPECT_EQ(FakeSocket().nConnectPort, 1337u);
    }
    // The socket outlives a failed connect; only a failed create leaves none.
    EXPECT_EQ(m_client.m_hSocket == kInvalidSocketHandle, !c.bCreateSucceeds);
}

INSTANTIATE_TEST_SUITE_P(Watchdog, LinkDriverTickTest, ::testing::ValuesIn(kTickCases),
                         [](const auto& info) { return std::string(info.param.pszName); });

// ---------------------------------------------------------------------------------------
// The 4096 ms timer against a router over a clock in milliseconds; the client sees whole
// seconds, as _time64 gives them.

class LinkTimelineTest : public LinkDriverTest {
protected:
    static constexpr int64_t kStartMs = 1700000000000LL;
    static constexpr int64_t kTickMs = 4096;

    void At(int64_t nMs) { g_tNow = nMs / 1000; }

    void KeepAlive()
    {
        FakeSocket().receives.push_back(Bytes({0x00, 0x08, 0x08, 0x01, 0, 0, 0, 0}));
        m_client.OnReceive(0);
    }

    // Tick 1 creates and starts the attempt; the router accepts at once.
    void ConnectAtFirstTick()
    {
        At(kStartMs + kTickMs);
        Tick();
        ASSERT_EQ(FakeSocket().nCreateCalls, 1);
        m_client.OnConnect(0);
        ASSERT_TRUE(m_owner.m_status.m_bConnected);
    }
};

TEST_F(LinkTimelineTest, SilentRouterIsDroppedAtTheFirstTickPastTenSeconds)
{
    ConnectAtFirstTick();        // stamp 1700000004
    At(kStartMs + 2 * kTickMs);  // 8.192 s: age 4
    Tick();
    At(kStartMs + 3 * kTickMs);  // 12.288 s: age 8
    Tick();
    EXPECT_EQ(m_owner.m_nLosses, 0);
    At(kStartMs + 4 * kTickMs);  // 16.384 s: age 12
    Tick();
    EXPECT_EQ(m_owner.m_nLosses, 1);
    EXPECT_FALSE(m_owner.m_status.m_bConnected);
    EXPECT_EQ(FakeSocket().nCloseCalls, 1);
    EXPECT_EQ(FakeSocket().nCreateCalls, 2);  // the new attempt starts in the same tick
    EXPECT_EQ(FakeSocket().nConnectCalls, 2);
}

TEST_F(LinkTimelineTest, KeepAliveEveryFiveSecondsKeepsTheLinkUp)
{
    ConnectAtFirstTick();
    const int64_t nConnectedMs = kStartMs + kTickMs;
    int64_t nNextTick = kStartMs + 2 * kTickMs;
    int64_t nNextKeepAlive = nConnectedMs + 5000;
    while (nNextTick < nConnectedMs + 300000) {
        if (nNextKeepAlive <= nNextTick) {
            At(nNextKeepAlive);
            KeepAlive();
            nNextKeepAlive += 5000;
        } else {
            At(nNextTick);
            Tick();
            nNextTick += kTickMs;
        }
    }
    EXPECT_EQ(m_owner.m_nLosses, 0);
    EXPECT_EQ(FakeSocket().nCloseCalls, 0);
    EXPECT_EQ(FakeSocket().nCreateCalls, 1);
    EXPECT_EQ(FakeSocket().nConnectCalls, 1);
}

TEST_F(LinkTimelineTest, UnreachableRouterGetsOneAttemptPerTick)
{
    for (int k = 1; k <= 5; ++k) {
        At(kStartMs + k * kTickMs);
        Tick();
    }
    // Tick 1 starts the first attempt; every later tick finds it old, drops it and starts anew.
    EXPECT_EQ(FakeSocket().nCreateCalls, 5);
    EXPECT_EQ(FakeSocket().nConnectCalls, 5);
    EXPECT_EQ(FakeSocket().nCloseCalls, 4);
    EXPECT_EQ(m_owner.m_nLosses, 4);
}

}  // namespace

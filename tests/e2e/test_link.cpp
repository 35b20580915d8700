// The live link, end to end: the real program against the simulated router on loopback.
// One run of the program plays the whole life of a link, since every step waits on the
// program's 4096 ms timer.
#include <gmock/gmock.h>

#include <string>

#include "resources/resource.h"
#include "tests/e2e/support/NotifierRun.h"
#include "tools/sim/RouterServer.h"

namespace {

class LinkTest : public testing::Test {
protected:
    void SetUp() override { DeleteSettings(); }
    void TearDown() override { DeleteSettings(); }
};

TEST_F(LinkTest, ConnectsShowsStatusSurvivesKeepAlivesAndReconnectsAfterSilenceAndClose)
{
    // The router listens only once the window's first state has been read, however late a
    // busy machine lets the test read it; the program's first attempts fail meanwhile.
    const uint16_t nPort = ClosedLoopbackPort();
    ASSERT_TRUE(SetRouterAddress(L"127.0.0.1:" + std::to_wstring(nPort)));

    CNotifierRun notifier;
    ASSERT_TRUE(notifier.Start(L"/LOG", 150000));
    HWND hMain = notifier.WaitForMainWindow(15000);
    ASSERT_NE(hMain, nullptr) << DescribeRun(notifier);

    // The hidden window shows only the missing link (the window is found as soon as it
    // exists; its controls are filled while it initialises).
    EXPECT_TRUE(
        WaitUntil([&] { return ControlText(hMain, IDC_NO_CONNECTION) == L"No connection to the router"; }, 5000));
    EXPECT_TRUE(IsControlVisible(hMain, IDC_NO_CONNECTION));
    EXPECT_FALSE(IsControlVisible(hMain, IDC_STATUS_LINE));

    CRouterServer router;
    ASSERT_TRUE(router.Start(nPort, R"(
wait-connect 30000
send registration 1 3 5 "Provider"
send signal 3
send users 1 2
send users 2 1
sleep 12000
silence
expect-reconnect 25000
keepalive 5000
sleep 1000
close
expect-reconnect 15000
sleep 1000
end
)",
                             {150000, nullptr}))
        << router.Error();

    // A following tick connects (a failed attempt keeps its socket for up to ten seconds);
    // the status messages reach the window's controls.
    ASSERT_GE(notifier.WaitForLine(L"CSockClient::OnConnect, 0.", 25000), 0) << DescribeRun(notifier);
    ASSERT_GE(notifier.WaitForLine(L"CDlgMain::SetConnectedUsersCount: 2, 1", 10000), 0);
    EXPECT_TRUE(WaitUntil([&] { return ControlText(hMain, IDC_USERS) == L"Connected users: 3"; }, 5000));
    EXPECT_EQ(ControlText(hMain, IDC_STATUS_LINE), L"Registered to Provider");
    EXPECT_EQ(ControlText(hMain, IDC_TECHNOLOGY), L"HSDPA");
    EXPECT_TRUE(IsControlVisible(hMain, IDC_STATUS_LINE));
    EXPECT_FALSE(IsControlVisible(hMain, IDC_NO_CONNECTION));

    // 12 s with keep-alives every 5 s: the link stays up (no second connection).
    ASSERT_GE(router.WaitForLog("line 8: silence", 20000), 0) << Narrow(notifier.Lines().back());
    EXPECT_EQ(router.ConnectionCount(), 1);

    // Silent router: dropped after more than 10 s and a new attempt in the same tick.
    const size_t nBeforeSilence = notifier.Lines().size();
    ASSERT_GE(router.WaitForLog("connected 2", 25000), 0);
    const int nWatchdogConnect = notifier.WaitForLine(L"CSockClient::OnConnect, 0.", 10000, nBeforeSilence);
    EXPECT_GE(nWatchdogConnect, 0);

    // The router closes: the client logs it and reconnects at a following tick.
    ASSERT_GE(notifier.WaitForLine(L"CSockClient::OnClose.", 15000, nBeforeSilence), 0);
    EXPECT_TRUE(WaitUntil(
                    [&] {
                        return ControlText(hMain, IDC_NO_CONNECTION) == L"No connection to the router" &&
                               IsControlVisible(hMain, IDC_NO_CONNECTION);
                    },
                    5000) ||
                router.ConnectionCount() >= 3);
    ASSERT_GE(router.WaitForLog("connected 3", 15000), 0);

    EXPECT_TRUE(router.WaitUntilFinished(20000));
    EXPECT_TRUE(notifier.Stop());
    EXPECT_EQ(router.Outcome(), RouterRunOutcome::Ended);
}

}  // namespace

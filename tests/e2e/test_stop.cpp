// A "/STOP" start while the running program sits in one of its modal loops (the tray menu
// opened by a right click on its icon, the "Application error." box of a refused icon, the
// about box) or shows a desktop alert with others waiting behind it.
// The program ends by itself, with exit code 0 and its icon removed, and the stopping
// program logs "stopped.", never "terminated.". The receive-error box has its test with the
// instance in tests/windows (a failed receive cannot be provoked from outside under Wine).
#include <windows.h>

#include <shellapi.h>

#include <gmock/gmock.h>

#include <string>

#include "resources/resource.h"
#include "tests/e2e/support/DesktopAlerts.h"
#include "tests/e2e/support/NotifierRun.h"
#include "tools/sim/RouterServer.h"

namespace {

using testing::HasSubstr;
using testing::Not;

// Runs "/STOP" as a second start does and checks what it says. bIconInTray: the program's
// icon is still in the tray for it to remove (the error box's test took it away itself).
void StopFromOutside(CNotifierRun& notifier, bool bIconInTray)
{
    CNotifierRun stopper;
    ASSERT_TRUE(stopper.Start(L"/STOP /LOG", 30000));
    DWORD nStopExit = 99;
    ASSERT_TRUE(stopper.WaitForExit(20000, &nStopExit));
    EXPECT_EQ(nStopExit, 0u);
    EXPECT_GE(stopper.WaitForLine(L"CAppMain::TerminateExistingInstance: stopped.", 0), 0) << DescribeRun(stopper);
    EXPECT_THAT(stopper.Lines(), testing::Each(Not(HasSubstr(L"terminated."))));

    DWORD nExit = 99;
    ASSERT_TRUE(notifier.WaitForExit(5000, &nExit)) << DescribeRun(notifier);
    EXPECT_EQ(nExit, 0u);
    EXPECT_EQ(notifier.CountLines(L"CNotifyIcon::Destroy, Shell_NotifyIcon"), bIconInTray ? 0u : 1u)
        << DescribeRun(notifier);
    EXPECT_EQ(FindTrayIcon(), nullptr);
}

class StopTest : public testing::Test {
protected:
    void SetUp() override { DeleteSettings(); }
    void TearDown() override { DeleteSettings(); }
};

TEST_F(StopTest, StopWhileTheTrayMenuIsOpen)
{
    CRouterServer closed;  // a free loopback port, closed again: nothing answers there
    ASSERT_TRUE(closed.Start(0, "end\n", {1000, nullptr})) << closed.Error();
    const uint16_t nPort = closed.Port();
    closed.Stop();
    ASSERT_TRUE(SetRouterAddress(L"127.0.0.1:" + std::to_wstring(nPort)));

    CNotifierRun notifier;
    ASSERT_TRUE(notifier.Start(L"/LOG", 60000));
    ASSERT_NE(notifier.WaitForMainWindow(15000), nullptr) << DescribeRun(notifier);
    ASSERT_NE(notifier.OpenTrayMenu(), nullptr) << DescribeRun(notifier);

    StopFromOutside(notifier, true);
}

TEST_F(StopTest, StopWhileTheApplicationErrorBoxIsOpen)
{
    // The router connects the program and, a little later, changes the signal: the icon's
    // new image then meets a shell that has lost the icon.
    CRouterServer router;
    ASSERT_TRUE(router.Start(0, "wait-connect 20000\nsleep 3000\nsend signal 4\nsleep 60000\nend\n", {90000, nullptr}))
        << router.Error();
    ASSERT_TRUE(SetRouterAddress(L"127.0.0.1:" + std::to_wstring(router.Port())));

    CNotifierRun notifier;
    ASSERT_TRUE(notifier.Start(L"/LOG", 90000));
    const HWND hMain = notifier.WaitForMainWindow(15000);
    ASSERT_NE(hMain, nullptr) << DescribeRun(notifier);
    ASSERT_GE(notifier.WaitForLine(L"CSockClient::OnConnect, 0.", 15000), 0) << DescribeRun(notifier);
    NOTIFYICONDATAW probe = {};
    probe.cbSize = sizeof(probe);
    probe.hWnd = hMain;
    probe.uID = 1;
    ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &probe));

    HWND hBox = notifier.WaitForWindowOfClass(L"#32770", 10000);
    ASSERT_NE(hBox, nullptr) << DescribeRun(notifier);
    // The box's window comes before its text: under load the text may not be there yet.
    wchar_t szText[64] = {};
    WaitUntil([&] { return GetDlgItemTextW(hBox, 0xFFFF, szText, 64) > 0; }, 5000);
    EXPECT_EQ(std::wstring(szText), L"Application error.");

    StopFromOutside(notifier, false);
    router.Stop();
}

TEST_F(StopTest, StopWhileTheAboutBoxIsOpen)
{
    ASSERT_TRUE(SetRouterAddress(L"127.0.0.1:" + std::to_wstring(ClosedLoopbackPort())));
    CNotifierRun notifier;
    ASSERT_TRUE(notifier.Start(L"/LOG", 60000));
    const HWND hMain = notifier.WaitForMainWindow(15000);
    ASSERT_NE(hMain, nullptr) << DescribeRun(notifier);
    ASSERT_TRUE(WaitUntil([&] { return FindTrayIcon() != nullptr; }, 10000));

    PostMessageW(hMain, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    HWND hBox = notifier.WaitForWindowOfClass(L"#32770", 10000);
    ASSERT_NE(hBox, nullptr) << DescribeRun(notifier);
    ASSERT_TRUE(WaitUntil([&] { return GetDlgItem(hBox, IDC_ABOUT_NAME) != nullptr && IsWindowVisible(hBox); }, 5000));

    StopFromOutside(notifier, true);
}

TEST_F(StopTest, StopWhileAPopupIsOpenAndOthersWait)
{
    CRouterServer router;
    ASSERT_TRUE(router.Start(0,
                             "wait-connect 20000\n"
                             "send error \"SIM card missing\"\n"
                             "send call \"+4917700001\"\n"
                             "send sms 3 \"07/03/2009 14:05\" \"+4917712345\" \"See you at eight.\"\n"
                             "sleep 60000\nend\n",
                             {90000, nullptr}))
        << router.Error();
    ASSERT_TRUE(SetRouterAddress(L"127.0.0.1:" + std::to_wstring(router.Port())));

    CNotifierRun notifier;
    ASSERT_TRUE(notifier.Start(L"/LOG", 90000));
    ASSERT_NE(notifier.WaitForMainWindow(15000), nullptr) << DescribeRun(notifier);
    ASSERT_GE(notifier.WaitForLine(L"CDlgMain::ProcessReceivedSmsMessage: Id=0x3", 20000), 0) << DescribeRun(notifier);
    ASSERT_NE(WaitForPopup(notifier.ProcessId(), 5000), nullptr);

    StopFromOutside(notifier, true);
    router.Stop();
}

}  // namespace

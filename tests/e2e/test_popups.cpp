// The desktop alerts of the real program, end to end: alerts that wait behind an open popup
// come out one at a time, by kind (error, call, SMS, update), each after the one before
// has closed by itself, where that one was; and the link of an SMS popup opens the router's
// SMS inbox and clears the tray's attention mark. The popups are watched from outside:
// their kind is read from the icon they show on the screen.
#include <windows.h>

#include <gmock/gmock.h>

#include <string>
#include <vector>

#include "tests/e2e/support/DesktopAlerts.h"
#include "tests/e2e/support/NotifierRun.h"
#include "tests/windows/support/OpenLog.h"
#include "tools/sim/RouterServer.h"

namespace {

using testing::ElementsAre;

// A popup closes 6 s after it has slid in (8 steps of 45 ms); the next one opens at once.
constexpr double kAutoClose = 6.0;
constexpr double kLate = 2.5;

std::vector<PopupKind> KindsOf(const std::vector<SeenPopup>& seen)
{
    std::vector<PopupKind> kinds;
    for (const SeenPopup& popup : seen)
        kinds.push_back(popup.nKind);
    return kinds;
}

class PopupsTest : public testing::Test {
protected:
    void SetUp() override { DeleteSettings(); }
    void TearDown() override { DeleteSettings(); }

    void StartConnected(CNotifierRun& notifier)
    {
        ASSERT_TRUE(m_router.Start(0, "wait-connect 30000\n", {150000, nullptr, true})) << m_router.Error();
        ASSERT_TRUE(SetRouterAddress(L"127.0.0.1:" + std::to_wstring(m_router.Port())));
        ASSERT_TRUE(notifier.Start(L"/LOG", 150000));
        ASSERT_NE(notifier.WaitForMainWindow(15000), nullptr) << DescribeRun(notifier);
        ASSERT_GE(notifier.WaitForLine(L"CSockClient::OnConnect, 0.", 20000), 0) << DescribeRun(notifier);
    }

    CRouterServer m_router;
};

TEST_F(PopupsTest, WaitingAlertsComeOneAtATimeByKindEachAfterSixSecondsWhereTheLastWas)
{
    CNotifierRun notifier;
    ASSERT_NO_FATAL_FAILURE(StartConnected(notifier));
    CPopupWatch popups(notifier.ProcessId());

    ASSERT_TRUE(m_router.AddSteps("send call \"+4917700001\"\n"));
    ASSERT_TRUE(popups.WaitForCount(1, 10000)) << DescribeRun(notifier);
    // Once it has slid in, the user drags it up and to the left.
    ASSERT_TRUE(WaitUntil([&] { return popups.Seen()[0].nKind != PopupKind::Unknown; }, 3000));
    const HWND hFirst = popups.Seen()[0].hWnd;
    RECT rcBefore = {};
    ASSERT_TRUE(GetWindowRect(hFirst, &rcBefore));

    // While it shows: an update, an SMS, a call and an error, the reverse of their order.
    ASSERT_TRUE(m_router.AddSteps("send liveupdate 2\n"
                                  "send sms 9 \"07/03/2009 14:05\" \"+4917712345\" \"See you at eight.\"\n"
                                  "send call \"+4917700002\"\n"
                                  "send error \"SIM card missing\"\n"
                                  "send users 1 1\n"));
    ASSERT_GE(notifier.WaitForLine(L"CDlgMain::SetConnectedUsersCount: 1, 1", 10000), 0) << DescribeRun(notifier);
    PostDrag(hFirst, PopupCaptionPoint(hFirst), POINT{-400, -300});
    ASSERT_TRUE(WaitUntil([&] { return WindowRect(hFirst).left != rcBefore.left; }, 5000));
    const RECT rcDragged = WindowRect(hFirst);
    EXPECT_EQ(rcDragged.left, rcBefore.left - 400);
    EXPECT_EQ(rcDragged.top, rcBefore.top - 300);
    ASSERT_EQ(popups.Seen().size(), 1u) << "an alert did not wait";

    ASSERT_TRUE(popups.WaitForCount(5, 5 * 10000, true)) << popups.Seen().size() << " popups";
    const std::vector<SeenPopup> seen = popups.Seen();
    ASSERT_EQ(seen.size(), 5u);
    EXPECT_EQ(popups.MaxAtOnce(), 1);
    EXPECT_THAT(KindsOf(seen),
                ElementsAre(PopupKind::Call, PopupKind::Error, PopupKind::Call, PopupKind::Sms, PopupKind::Update));
    for (size_t i = 0; i < seen.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "popup " << i + 1 << ", " << PopupKindName(seen[i].nKind));
        const double nShown = seen[i].nGoneAt - seen[i].nShownAt;
        EXPECT_GE(nShown, kAutoClose);
        EXPECT_LE(nShown, kAutoClose + kLate);
        if (i == 0)
            continue;
        // The next opens as the last closes, at its place.
        EXPECT_NEAR(seen[i].nShownAt, seen[i - 1].nGoneAt, 0.5);
        EXPECT_EQ(seen[i].rcWindow.left, rcDragged.left);
        EXPECT_EQ(seen[i].rcWindow.top, rcDragged.top);
    }
    EXPECT_TRUE(notifier.Stop());
}

// The tray icon's image as the notification area shows it. Wine's tray draws a new image
// over the old one without erasing it, so that the transparent corner of a plain image
// keeps the attention mark of the one before; a full repaint shows what the icon is.
std::vector<uint32_t> TrayImage()
{
    const HWND hIcon = FindTrayIcon();
    RECT rc = {};
    if (hIcon == nullptr || !GetWindowRect(hIcon, &rc))
        return {};
    RedrawWindow(GetParent(hIcon), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    return ScreenPixels(rc);
}

TEST_F(PopupsTest, SmsPopupLinkOpensTheInboxAndClearsTheTrayMark)
{
    if (!HasOpenLog())
        GTEST_SKIP() << "needs the sandbox's recorder of opened addresses";
    CNotifierRun notifier;
    ASSERT_NO_FATAL_FAILURE(StartConnected(notifier));
    CPopupWatch popups(notifier.ProcessId());
    ASSERT_TRUE(m_router.AddSteps("send signal 3\nsend users 1 1\n"));
    ASSERT_GE(notifier.WaitForLine(L"CDlgMain::SetConnectedUsersCount: 1, 1", 10000), 0) << DescribeRun(notifier);
    std::vector<uint32_t> plain;
    ASSERT_TRUE(WaitUntil(
        [&] {
            const std::vector<uint32_t> image = TrayImage();
            const bool bSteady = !image.empty() && image == plain;
            plain = image;
            return bSteady;
        },
        5000))
        << "the tray icon cannot be read from the screen";

    ASSERT_TRUE(m_router.AddSteps("send sms 7 \"07/03/2009 14:05\" \"+4917712345\" \"Call me.\"\n"));
    ASSERT_TRUE(popups.WaitForCount(1, 10000)) << DescribeRun(notifier);
    EXPECT_TRUE(WaitUntil([&] { return TrayImage() != plain; }, 5000)) << "no attention mark";
    ASSERT_TRUE(WaitUntil([&] { return popups.Seen()[0].nKind != PopupKind::Unknown; }, 3000));
    EXPECT_EQ(popups.Seen()[0].nKind, PopupKind::Sms);

    const size_t nOpened = OpenedAddresses().size();
    const HWND hPopup = popups.Seen()[0].hWnd;
    ASSERT_TRUE(MouseClick(hPopup, PopupLinkPoint(hPopup)));
    ASSERT_TRUE(WaitUntil([&] { return OpenedAddresses().size() > nOpened; }, 10000));
    EXPECT_THAT(OpenedAddresses().back(),
                testing::StartsWith(L"http://127.0.0.1/index.cgi?active_page=page_sms_inbox&prev_page=page_sms_inbox"));
    EXPECT_TRUE(WaitUntil([&] { return TrayImage() == plain; }, 5000)) << "the attention mark stayed";
    EXPECT_TRUE(notifier.Stop());
}

}  // namespace

// The desktop alerts' queues without windows: the order in which waiting alerts open, one
// popup at a time, the position handed from one popup to the next, popups that cannot be
// made, and the end of the program with a popup open and alerts waiting.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "alerts/AlertQueue.h"

namespace {

class CFakePopup final : public IAlertPopup {
public:
    void DestroyPopup() override
    {
        ++m_nDestroyed;
        if (m_onDestroy)
            m_onDestroy();
    }
    int m_nDestroyed = 0;
    std::function<void()> m_onDestroy;
};

struct OpenRecord {
    AlertKind nKind;
    std::wstring strPlainText;
    std::wstring strLinkText;
    AlertPoint ptPos;
    bool bMade;
};

class AlertQueueTest : public testing::Test, public IAlertPopupFactory {
protected:
    IAlertPopup* ShowAlert(const CDesktopAlertItem& item, AlertPoint ptPos) override
    {
        // Made only while no other popup is open or being made.
        EXPECT_EQ(m_pPopup, nullptr) << "a second popup was opened";
        EXPECT_FALSE(m_bInOpen) << "a popup was opened while another was being made";
        const bool bMade = m_nFailures == 0;
        if (!bMade)
            --m_nFailures;
        m_opened.push_back({item.m_nKind, item.m_strPlainText, item.m_strLinkText, ptPos, bMade});
        m_bInOpen = true;
        if (m_duringOpen)
            m_duringOpen();
        m_bInOpen = false;
        if (!bMade)
            return nullptr;
        m_popups.push_back(std::make_unique<CFakePopup>());
        return m_popups.back().get();
    }

    // Adds one alert per letter (C call, S SMS, E error, U update), each with its number in
    // the order of adding as link text; "x" closes the open popup.
    void Play(const char* pszSteps)
    {
        for (const char* p = pszSteps; *p != '\0'; ++p) {
            switch (*p) {
            case 'x':
                ASSERT_NE(m_pPopup, nullptr) << "nothing open to close at step " << (p - pszSteps);
                m_queue.OnPopupClosed(m_ptLastPos);
                break;
            case '!':
                ++m_nFailures;
                break;
            case ' ':
                break;
            default:
                m_queue.AddAlert(CDesktopAlertItem(KindOf(*p), L"", std::to_wstring(++m_nAdded).c_str()));
                break;
            }
        }
    }

    static AlertKind KindOf(char c)
    {
        switch (c) {
        case 'C':
            return AlertIncomingCall;
        case 'S':
            return AlertSms;
        case 'E':
            return AlertError;
        default:
            return AlertUpdate;
        }
    }

    // Link texts of the popups made, in the order they were made ("-" marks a failed one).
    std::string OpenedOrder() const
    {
        std::string order;
        for (const OpenRecord& record : m_opened) {
            if (!order.empty())
                order += ' ';
            order += std::string(record.strLinkText.begin(), record.strLinkText.end());
            if (!record.bMade)
                order += '-';
        }
        return order;
    }

    CFakePopup* Open() const { return static_cast<CFakePopup*>(m_pPopup); }

    IAlertPopup* m_pPopup = nullptr;
    AlertPoint m_ptLastPos;
    CAlertQueue m_queue{*this, m_pPopup, m_ptLastPos};
    std::vector<OpenRecord> m_opened;
    std::vector<std::unique_ptr<CFakePopup>> m_popups;
    std::function<void()> m_duringOpen;
    int m_nFailures = 0;
    int m_nAdded = 0;
    bool m_bInOpen = false;
};

struct OrderCase {
    const char* pszName;
    const char* pszSteps;
    const char* pszOpened;  // link texts of the popups made, "-" after a failed one
    size_t nWaiting;
    bool bOpen;
};

const OrderCase kOrderCases[] = {
    // The SMS opens at once; the error, though added later, goes before the call.
    {"SmsErrorCallWhileIdle", "SEC", "1", 2, true},
    {"SmsErrorCallAllShown", "SEC xx", "1 2 3", 0, true},
    {"LastOneClosedLeavesIdle", "SEC xxx", "1 2 3", 0, false},
    {"TwoSmsInArrivalOrder", "C SS xx", "1 2 3", 0, true},
    {"TwoCallsInArrivalOrder", "E CC xx", "1 2 3", 0, true},
    // An update waits behind everything, however early it came.
    {"UpdateWaitsBehindAll", "S U E S C xxxx", "1 3 5 4 2", 0, true},
    {"UpdateAloneOpensAtOnce", "U", "1", 0, true},
    {"AddWhileOpenWaits", "S SSSS", "1", 4, true},
    // A popup that cannot be made does not stall the queue.
    {"FailedCreationGoesOnWithTheNext", "S E C !x", "1 2- 3", 0, true},
    {"FailedCreationWhileIdle", "!S S", "1- 2", 0, true},
    {"EveryCreationFails", "S EEE !!!x", "1 2- 3- 4-", 0, false},
    {"FailedThenQueueEmptyThenNewAlert", "S E !x C", "1 2- 3", 0, true},
};

class AlertOrderTest : public AlertQueueTest, public testing::WithParamInterface<OrderCase> {};

TEST_P(AlertOrderTest, OpensOneAtATimeInKindOrder)
{
    const OrderCase& c = GetParam();
    Play(c.pszSteps);
    EXPECT_EQ(OpenedOrder(), c.pszOpened);
    EXPECT_EQ(m_queue.GetWaitingCount(), c.nWaiting);
    EXPECT_EQ(m_pPopup != nullptr, c.bOpen);
}

INSTANTIATE_TEST_SUITE_P(Steps, AlertOrderTest, testing::ValuesIn(kOrderCases),
                         [](const testing::TestParamInfo<OrderCase>& info) { return info.param.pszName; });

TEST_F(AlertQueueTest, ItemTextsReachThePopupAndNullTextsAreEmpty)
{
    m_queue.AddAlert(CDesktopAlertItem(AlertError, L"Error occured:\nbad", nullptr));
    m_queue.AddAlert(CDesktopAlertItem(AlertUpdate, nullptr, L"New Notifier is available."));
    m_queue.OnPopupClosed(AlertPoint{});
    ASSERT_EQ(m_opened.size(), 2u);
    EXPECT_EQ(m_opened[0].nKind, AlertError);
    EXPECT_EQ(m_opened[0].strPlainText, L"Error occured:\nbad");
    EXPECT_EQ(m_opened[0].strLinkText, L"");
    EXPECT_EQ(m_opened[1].nKind, AlertUpdate);
    EXPECT_EQ(m_opened[1].strPlainText, L"");
    EXPECT_EQ(m_opened[1].strLinkText, L"New Notifier is available.");
}

TEST_F(AlertQueueTest, EachPopupOpensWhereTheLastOneClosed)
{
    Play("SSS");
    m_queue.OnPopupClosed(AlertPoint{12, 34});  // dragged to the upper left
    m_queue.OnPopupClosed(AlertPoint{12, 34});  // never moved: where it opened
    ASSERT_EQ(m_opened.size(), 3u);
    EXPECT_EQ(m_opened[0].ptPos.x, -1);
    EXPECT_EQ(m_opened[0].ptPos.y, -1);
    EXPECT_EQ(m_opened[1].ptPos.x, 12);
    EXPECT_EQ(m_opened[1].ptPos.y, 34);
    EXPECT_EQ(m_opened[2].ptPos.x, 12);
    EXPECT_EQ(m_ptLastPos.y, 34);
}

TEST_F(AlertQueueTest, KindsOutsideTheFourAreDropped)
{
    m_queue.AddAlert(CDesktopAlertItem(static_cast<AlertKind>(4), L"", L"x"));
    m_queue.AddAlert(CDesktopAlertItem(static_cast<AlertKind>(-1), L"", L"x"));
    EXPECT_TRUE(m_opened.empty());
    EXPECT_EQ(m_queue.GetWaitingCount(), 0u);
    EXPECT_EQ(m_pPopup, nullptr);
}

TEST_F(AlertQueueTest, AnAlertAddedWhileAPopupIsBeingMadeWaits)
{
    m_duringOpen = [this] {
        m_duringOpen = nullptr;
        m_queue.AddAlert(CDesktopAlertItem(AlertError, L"", L"nested"));
    };
    Play("S");
    EXPECT_EQ(OpenedOrder(), "1");
    EXPECT_EQ(m_queue.m_Queues[AlertError].size(), 1u);
    Play("x");
    EXPECT_EQ(OpenedOrder(), "1 nested");
}

TEST_F(AlertQueueTest, ShutdownDestroysTheOpenPopupAndDropsTheWaiting)
{
    Play("S ECU");
    CFakePopup* pOpen = Open();
    ASSERT_NE(pOpen, nullptr);
    // A popup that reports its close while it is destroyed opens nothing.
    pOpen->m_onDestroy = [this] { m_queue.OnPopupClosed(AlertPoint{5, 5}); };
    m_queue.Shutdown();
    EXPECT_EQ(pOpen->m_nDestroyed, 1);
    EXPECT_EQ(m_pPopup, nullptr);
    EXPECT_EQ(m_queue.GetWaitingCount(), 0u);
    EXPECT_EQ(OpenedOrder(), "1");

    // Nothing opens any more.
    Play("S");
    m_queue.ShowNext();
    EXPECT_EQ(OpenedOrder(), "1");
    EXPECT_EQ(m_queue.GetWaitingCount(), 0u);
    m_queue.Shutdown();
    EXPECT_EQ(pOpen->m_nDestroyed, 1);
}

TEST_F(AlertQueueTest, APopupGoneWithItsOwnerIsForgotten)
{
    Play("!S E");  // the SMS could not be made; the error opens
    m_queue.OnPopupGone(m_pPopup);
    EXPECT_EQ(m_pPopup, nullptr);
    Play("C");  // no popup is open any more, so the next alert opens at once
    EXPECT_EQ(OpenedOrder(), "1- 2 3");
    Play("SS");
    ASSERT_NE(m_pPopup, nullptr);
    m_queue.OnPopupGone(m_pPopup);
    EXPECT_EQ(m_queue.GetWaitingCount(), 2u);
    m_queue.Shutdown();
    EXPECT_EQ(m_queue.GetWaitingCount(), 0u);
    for (const auto& pPopup : m_popups)
        EXPECT_EQ(pPopup->m_nDestroyed, 0) << "a popup that was already gone was destroyed again";
}

TEST_F(AlertQueueTest, APopupThatIsNotTheOpenOneGoesUnnoticed)
{
    Play("SS");
    CFakePopup other;
    m_queue.OnPopupGone(&other);
    m_queue.OnPopupGone(nullptr);
    EXPECT_NE(m_pPopup, nullptr);
    Play("x");
    EXPECT_EQ(OpenedOrder(), "1 2");
}

}  // namespace

// SMS and missed calls, end to end: the real program against the simulated router, watched
// through its log, its registry values, its status window's controls and its popups. A
// router message with a users count serves as a marker: once its log line is there, every
// message before it has been handled.
#include <windows.h>

#include <commctrl.h>

#include <gmock/gmock.h>

#include <string>

#include "resources/resource.h"
#include "tests/e2e/support/DesktopAlerts.h"
#include "tests/e2e/support/NotifierRun.h"
#include "tools/sim/RouterServer.h"

namespace {

constexpr char kSms5[] = "send sms 5 \"07/03/2009 14:05\" \"+4917712345\" \"See you at eight.\"\n";
constexpr wchar_t kSms5Line[] =
    L"CDlgMain::ProcessReceivedSmsMessage: Id=0x5, Time=Received 07/03/2009 14:05, Sender=From: +4917712345, "
    L"Text=See you at eight.";
// Time enough for a popup that was going to come: the program shows one within a tenth of
// a second of the message (tools/measure_events.sh).
constexpr DWORD kNoPopupMs = 1500;

std::string Marker(int nCount)
{
    return "send users 1 " + std::to_string(nCount) + "\n";
}

std::wstring MarkerLine(int nCount)
{
    return L"CDlgMain::SetConnectedUsersCount: 1, " + std::to_wstring(nCount);
}

// A list view's item text in another process: the request and its buffer live in that
// process's memory, as the control reads them there.
std::wstring ListItemText(HWND hList, int nItem, int nColumn)
{
    DWORD nProcessId = 0;
    GetWindowThreadProcessId(hList, &nProcessId);
    HANDLE hProcess = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, nProcessId);
    if (hProcess == nullptr)
        return L"<no access>";
    constexpr int kChars = 256;
    auto* pRemote = static_cast<BYTE*>(
        VirtualAllocEx(hProcess, nullptr, sizeof(LVITEMW) + kChars * sizeof(wchar_t), MEM_COMMIT, PAGE_READWRITE));
    std::wstring text = L"<no memory>";
    if (pRemote != nullptr) {
        LVITEMW item = {};
        item.iSubItem = nColumn;
        item.pszText = reinterpret_cast<wchar_t*>(pRemote + sizeof(LVITEMW));
        item.cchTextMax = kChars;
        wchar_t buffer[kChars] = {};
        DWORD_PTR nLength = 0;
        if (WriteProcessMemory(hProcess, pRemote, &item, sizeof(item), nullptr) &&
            SendMessageTimeoutW(hList, LVM_GETITEMTEXTW, nItem, reinterpret_cast<LPARAM>(pRemote), SMTO_ABORTIFHUNG,
                                5000, &nLength) &&
            ReadProcessMemory(hProcess, item.pszText, buffer, sizeof(buffer) - sizeof(wchar_t), nullptr))
            text = buffer;
        VirtualFreeEx(hProcess, pRemote, 0, MEM_RELEASE);
    }
    CloseHandle(hProcess);
    return text;
}

LRESULT SendToList(HWND hList, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR nResult = static_cast<DWORD_PTR>(-2);
    SendMessageTimeoutW(hList, nMsg, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &nResult);
    return static_cast<LRESULT>(nResult);
}

class EventsTest : public testing::Test {
protected:
    void SetUp() override { DeleteSettings(); }
    void TearDown() override { DeleteSettings(); }

    // A router whose script the test feeds as it goes, and the program connected to it.
    void StartConnected(CNotifierRun& notifier, HWND& hMain)
    {
        ASSERT_TRUE(m_router.Start(0, "wait-connect 30000\n", {150000, nullptr, true})) << m_router.Error();
        ASSERT_TRUE(SetRouterAddress(L"127.0.0.1:" + std::to_wstring(m_router.Port())));
        ASSERT_TRUE(notifier.Start(L"/LOG", 150000));
        hMain = notifier.WaitForMainWindow(15000);
        ASSERT_NE(hMain, nullptr) << DescribeRun(notifier);
        ASSERT_GE(notifier.WaitForLine(L"CSockClient::OnConnect, 0.", 20000), 0) << DescribeRun(notifier);
    }
    void Play(CNotifierRun& notifier, const std::string& steps, int nMarker)
    {
        ASSERT_TRUE(m_router.AddSteps(steps + Marker(nMarker))) << m_router.Error();
        ASSERT_GE(notifier.WaitForLine(MarkerLine(nMarker), 15000), 0) << DescribeRun(notifier);
    }

    CRouterServer m_router;
};

// An SMS above the stored id is taken once per run; a restart knows it only by the stored id.
TEST_F(EventsTest, NewSmsIsShownStoredAndPoppedUpOnceAndAfterARestartOnlyLogged)
{
    ASSERT_TRUE(WriteSetting(L"LastReceivedSmsId", L"3"));
    CNotifierRun notifier;
    HWND hMain = nullptr;
    ASSERT_NO_FATAL_FAILURE(StartConnected(notifier, hMain));
    CPopupWatch popups(notifier.ProcessId());

    ASSERT_NO_FATAL_FAILURE(Play(notifier, kSms5, 1));
    EXPECT_EQ(notifier.CountLines(kSms5Line), 1u) << DescribeRun(notifier);
    EXPECT_EQ(ReadSetting(L"LastReceivedSmsId"), L"5");
    EXPECT_TRUE(WaitUntil([&] { return ControlText(hMain, IDC_SMS_COUNTER) == L"SMS Messages 1/1"; }, 5000))
        << "reads " << testing::PrintToString(ControlText(hMain, IDC_SMS_COUNTER));
    EXPECT_EQ(ControlText(hMain, IDC_SMS_SENDER), L"From: +4917712345");
    EXPECT_EQ(ControlText(hMain, IDC_SMS_TIME), L"Received 07/03/2009 14:05");
    EXPECT_EQ(ControlText(hMain, IDC_SMS_TEXT), L"See you at eight.");
    ASSERT_TRUE(popups.WaitForCount(1, 5000));
    // Its icon is read once it has slid in.
    EXPECT_TRUE(WaitUntil([&] { return popups.Seen()[0].nKind != PopupKind::Unknown; }, 3000));
    EXPECT_EQ(popups.Seen()[0].nKind, PopupKind::Sms);

    // The same SMS in the same run: not a trace.
    ASSERT_NO_FATAL_FAILURE(Play(notifier, kSms5, 2));
    EXPECT_FALSE(popups.WaitForCount(2, kNoPopupMs));
    EXPECT_EQ(notifier.CountLines(kSms5Line), 1u);
    EXPECT_EQ(notifier.CountLines(L"CDlgMain::ProcessReceivedSmsMessage"), 1u);
    EXPECT_EQ(ControlText(hMain, IDC_SMS_COUNTER), L"SMS Messages 1/1");

    DWORD nExit = 99;
    ASSERT_TRUE(notifier.Stop());
    ASSERT_TRUE(notifier.WaitForExit(0, &nExit));
    EXPECT_EQ(nExit, 0u);

    // After a restart the stored id holds it back: logged, every time it comes, and no more.
    CNotifierRun again;
    ASSERT_TRUE(again.Start(L"/LOG", 120000));
    const HWND hAgain = again.WaitForMainWindow(15000);
    ASSERT_NE(hAgain, nullptr) << DescribeRun(again);
    CPopupWatch popupsAgain(again.ProcessId());
    ASSERT_GE(again.WaitForLine(L"CSockClient::OnConnect, 0.", 20000), 0) << DescribeRun(again);
    ASSERT_NO_FATAL_FAILURE(Play(again, std::string(kSms5) + kSms5, 3));
    EXPECT_EQ(again.CountLines(kSms5Line), 2u) << DescribeRun(again);
    EXPECT_FALSE(popupsAgain.WaitForCount(1, kNoPopupMs));
    EXPECT_EQ(ControlText(hAgain, IDC_SMS_COUNTER), L"");
    EXPECT_EQ(ControlText(hAgain, IDC_SMS_SENDER), L"");
    EXPECT_EQ(ReadSetting(L"LastReceivedSmsId"), L"5");
    EXPECT_TRUE(again.Stop());
}

// Rows in order of arrival, the newest selected; the counter appears with the fourth row
// and follows the selection, here moved by the keyboard as a user would.
TEST_F(EventsTest, FourMissedCallsFillTheListAndTheCounterFollowsTheSelection)
{
    CNotifierRun notifier;
    HWND hMain = nullptr;
    ASSERT_NO_FATAL_FAILURE(StartConnected(notifier, hMain));
    CPopupWatch popups(notifier.ProcessId());
    const HWND hList = GetDlgItem(hMain, IDC_CALLS_LIST);
    ASSERT_NE(hList, nullptr);

    ASSERT_NO_FATAL_FAILURE(Play(notifier,
                                 "send missed 1 \"07/03/2009 09:15\" \"+4930111\"\n"
                                 "send missed 2 \"07/03/2009 10:20\" \"\"\n"
                                 "send missed 3 \"07/03/2009 11:25\" \"+4930333\"\n",
                                 1));
    EXPECT_EQ(SendToList(hList, LVM_GETITEMCOUNT, 0, 0), 3);
    EXPECT_EQ(SendToList(hList, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 2);
    EXPECT_EQ(ControlText(hMain, IDC_CALLS_COUNTER), L"");
    EXPECT_EQ(ListItemText(hList, 0, 0), L"+4930111");
    EXPECT_EQ(ListItemText(hList, 0, 1), L"07/03/2009 09:15");
    EXPECT_EQ(ListItemText(hList, 1, 0), L"Withheld");
    EXPECT_EQ(
        notifier.CountLines(L"CDlgMain::ProcessMissedCallMessage: Id=0x1, Time=07/03/2009 09:15, Phone=+4930111"), 1u)
        << DescribeRun(notifier);

    // The fourth, and the fourth again: one row more, the counter on it.
    ASSERT_NO_FATAL_FAILURE(Play(notifier,
                                 "send missed 4 \"07/03/2009 12:30\" \"+4930444\"\n"
                                 "send missed 4 \"07/03/2009 12:30\" \"+4930444\"\n",
                                 2));
    EXPECT_EQ(SendToList(hList, LVM_GETITEMCOUNT, 0, 0), 4);
    EXPECT_EQ(SendToList(hList, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 3);
    EXPECT_EQ(ControlText(hMain, IDC_CALLS_COUNTER), L"Missed Calls 4/4");
    EXPECT_EQ(ListItemText(hList, 3, 0), L"+4930444");
    EXPECT_EQ(notifier.CountLines(L"CDlgMain::ProcessMissedCallMessage: Id=0x4"), 1u);
    EXPECT_EQ(ReadSetting(L"LastMissedCallId"), L"4");

    // Home, then one down: the second row.
    PostMessageW(hList, WM_KEYDOWN, VK_HOME, 0);
    PostMessageW(hList, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_TRUE(WaitUntil([&] { return ControlText(hMain, IDC_CALLS_COUNTER) == L"Missed Calls 2/4"; }, 5000))
        << "reads " << testing::PrintToString(ControlText(hMain, IDC_CALLS_COUNTER));
    EXPECT_EQ(SendToList(hList, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 1);

    // A missed call raises no popup.
    EXPECT_FALSE(popups.WaitForCount(1, 0));
    EXPECT_TRUE(notifier.Stop());
}

}  // namespace

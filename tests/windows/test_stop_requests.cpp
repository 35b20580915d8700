// A "/STOP" start while the running instance's receive-error box is open: the real stopping
// program against an instance made as start-up makes it, in a process of its own. The box
// is reached through a socket that fails under the link's feet (a reset from the router
// reaches the program under Wine as an orderly close, never as a failed receive).
#include <windows.h>
#include <winsock2.h>

#include <commctrl.h>
#include <shellapi.h>

#include <gmock/gmock.h>

#include <cstdlib>
#include <string>

#include "app/AppMain.h"
#include "app/Settings.h"
#include "framework/SocketInit.h"
#include "framework/WinThread.h"
#include "resources/resource.h"
#include "status/DlgMain.h"
#include "tests/windows/support/ChildScenario.h"
#include "tests/windows/support/DebugCapture.h"
#include "tests/windows/support/MemorySettings.h"
#include "tools/sim/RouterServer.h"

namespace {

using testing::HasSubstr;
using testing::Not;

constexpr UINT kMsgFailReceive = WM_APP + 60;  // the instance's socket fails under its feet
constexpr wchar_t kPortVariable[] = L"TN_TEST_ROUTER_PORT";

// The instance: the real main window whose socket can be made to fail.
class CInstanceWindow : public CDlgMain {
public:
    ~CInstanceWindow() override { s_bIconAddedAtDeletion = m_notifyIcon.IsAdded(); }
    static inline bool s_bIconAddedAtDeletion = true;

    LRESULT WindowProc(UINT nMsg, WPARAM wParam, LPARAM lParam) override
    {
        if (nMsg == kMsgFailReceive) {
            // The socket goes behind the client's back; its next receive fails.
            closesocket(static_cast<SOCKET>(m_sockClient.m_hSocket));
            m_sockClient.OnReceive(0);
            return 0;
        }
        return CDlgMain::WindowProc(nMsg, wParam, lParam);
    }
};

// Made as start-up makes it, on the router of the parent's test; runs until its window is
// gone. Exit codes: 0 ended with its icon removed by the window, 2-4 not made, 5 the icon was
// left in the tray.
TN_CHILD_SCENARIO(InstanceWithFailingLink)
{
    wchar_t szPort[16] = {};
    if (GetEnvironmentVariableW(kPortVariable, szPort, 16) == 0)
        return 2;
    static CMemoryStore s_store(std::wstring(L"127.0.0.1:") + szPort);
    static CFixedVersion s_version;
    CSettings::SetStore(&s_store, &s_version);
    if (!CSettings::GetInstance().m_bValid || !AfxSocketInit())
        return 3;
    INITCOMMONCONTROLSEX icc = {sizeof(icc), 0xFF};
    INITCOMMONCONTROLSEX iccLink = {sizeof(iccLink), ICC_LINK_CLASS};
    InitCommonControlsEx(&icc);
    InitCommonControlsEx(&iccLink);
    WNDCLASSW wc = {};
    GetClassInfoW(nullptr, L"#32770", &wc);
    wc.lpszClassName = kMainWindowClassName;
    wc.hInstance = GetModuleHandleW(nullptr);
    RegisterClassW(&wc);
    auto* pWindow = new CInstanceWindow();
    if (!pWindow->Create(IDD_MAIN, nullptr))
        return 4;
    const HWND hWnd = pWindow->m_hWnd;
    CWinThread loop;
    while (IsWindow(hWnd) && loop.PumpMessage()) {
    }
    return CInstanceWindow::s_bIconAddedAtDeletion ? 5 : 0;
}

std::wstring ProgramPath()
{
    // This binary lives in <build>/tests/windows; the program in <build>.
    wchar_t sz[MAX_PATH];
    std::wstring path(sz, GetModuleFileNameW(nullptr, sz, MAX_PATH));
    for (int i = 0; i < 3; ++i)
        path = path.substr(0, path.find_last_of(L'\\'));
    return path + L"\\TessaroNotifier.exe";
}

struct WindowSearch {
    DWORD nProcessId;
    const wchar_t* pszClass;
    HWND hFound;
};

// A visible top-level window of the class that the process owns, or null.
HWND FindWindowOf(DWORD nProcessId, const wchar_t* pszClass)
{
    WindowSearch search = {nProcessId, pszClass, nullptr};
    EnumWindows(
        [](HWND hWnd, LPARAM lParam) -> BOOL {
            auto* pSearch = reinterpret_cast<WindowSearch*>(lParam);
            DWORD nPid = 0;
            GetWindowThreadProcessId(hWnd, &nPid);
            wchar_t szClass[128] = {};
            GetClassNameW(hWnd, szClass, 128);
            if (nPid != pSearch->nProcessId || lstrcmpiW(szClass, pSearch->pszClass) != 0)
                return TRUE;
            pSearch->hFound = hWnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.hFound;
}

template <typename TPred>
bool WaitUntil(TPred pred, DWORD nTimeoutMs)
{
    const ULONGLONG nEnd = GetTickCount64() + nTimeoutMs;
    while (!pred()) {
        if (GetTickCount64() >= nEnd)
            return false;
        Sleep(50);
    }
    return true;
}

TEST(StopRequests, StopWhileTheReceiveErrorBoxIsOpenEndsTheInstanceCleanly)
{
    CRouterServer router;
    ASSERT_TRUE(router.Start(0, "wait-connect 20000\nsleep 60000\nend\n", {90000, nullptr})) << router.Error();
    ASSERT_TRUE(SetEnvironmentVariableW(kPortVariable, std::to_wstring(router.Port()).c_str()));
    std::wstring commandLine = ChildScenarioCommandLine(L"InstanceWithFailingLink");
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    CloseHandle(pi.hThread);

    // The first tick connects; then the socket fails and its box opens.
    ASSERT_TRUE(WaitUntil([&] { return router.ConnectionCount() >= 1; }, 15000));
    HWND hMain = FindWindowOf(pi.dwProcessId, kMainWindowClassName);
    ASSERT_NE(hMain, nullptr);
    ASSERT_TRUE(PostMessageW(hMain, kMsgFailReceive, 0, 0));
    HWND hBox = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (hBox = FindWindowOf(pi.dwProcessId, L"#32770")) != nullptr; }, 10000));
    // The box's window comes before its text: under load the text may not be there yet.
    wchar_t szText[64] = {};
    WaitUntil([&] { return GetDlgItemTextW(hBox, 0xFFFF, szText, 64) > 0; }, 5000);
    EXPECT_EQ(std::wstring(szText), L"Error occured:\n");

    // The link goes on behind the box that nobody clicks: the next tick connects again.
    EXPECT_TRUE(WaitUntil([&] { return router.ConnectionCount() >= 2; }, 10000));
    EXPECT_TRUE(IsWindow(hBox));

    const DebugCaptureResult stop = CaptureDebugOutput(L"\"" + ProgramPath() + L"\" /STOP /LOG", 30000);
    ASSERT_TRUE(stop.bStarted);
    EXPECT_FALSE(stop.bTimedOut);
    EXPECT_EQ(stop.nExitCode, 0u);
    EXPECT_THAT(stop.strings, testing::Contains(HasSubstr(L"CAppMain::TerminateExistingInstance: stopped.")));
    EXPECT_THAT(stop.strings, testing::Each(Not(HasSubstr(L"terminated."))));

    ASSERT_EQ(WaitForSingleObject(pi.hProcess, 10000), WAIT_OBJECT_0);
    DWORD nExitCode = 99;
    GetExitCodeProcess(pi.hProcess, &nExitCode);
    EXPECT_EQ(nExitCode, 0u) << "5: the icon was left in the tray";
    CloseHandle(pi.hProcess);
    router.Stop();
}

}  // namespace

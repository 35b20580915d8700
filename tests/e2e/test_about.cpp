// The about box of the real program: opened from the tray menu, as a user does, it shows
// the name, the version and the copyright line; the about command of the system menu
// while it is open brings that box to the front and opens no second one. No router is
// needed: the address is a closed loopback port.
#include <windows.h>

#include <gmock/gmock.h>

#include <string>
#include <vector>

#include "resources/Version.h"
#include "resources/resource.h"
#include "tests/e2e/support/NotifierRun.h"

namespace {

struct AboutSearch {
    DWORD nProcessId;
    std::vector<HWND> found;
};

// The visible about boxes of a process: dialogs with the name label.
std::vector<HWND> AboutBoxes(DWORD nProcessId)
{
    AboutSearch search{nProcessId, {}};
    EnumWindows(
        [](HWND hWnd, LPARAM lParam) {
            auto* pSearch = reinterpret_cast<AboutSearch*>(lParam);
            DWORD nPid = 0;
            GetWindowThreadProcessId(hWnd, &nPid);
            wchar_t cls[16] = {};
            if (nPid == pSearch->nProcessId && IsWindowVisible(hWnd) && GetClassNameW(hWnd, cls, 16) != 0 &&
                lstrcmpW(cls, L"#32770") == 0 && GetDlgItem(hWnd, IDC_ABOUT_NAME) != nullptr)
                pSearch->found.push_back(hWnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForAboutBox(DWORD nProcessId)
{
    HWND hBox = nullptr;
    WaitUntil(
        [&] {
            const std::vector<HWND> boxes = AboutBoxes(nProcessId);
            hBox = boxes.empty() ? nullptr : boxes.front();
            // The box is found as soon as it shows; its texts follow.
            return hBox != nullptr && !ControlText(hBox, IDC_ABOUT_COPYRIGHT).empty();
        },
        15000);
    return hBox;
}

std::wstring WindowText(HWND hWnd)
{
    wchar_t text[256] = {};
    SendMessageTimeoutW(hWnd, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, nullptr);
    return text;
}

// A window of the test's own that takes the foreground, as another program would.
class CForegroundWindow {
public:
    CForegroundWindow()
    {
        m_hWnd = CreateWindowExW(0, L"STATIC", L"elsewhere", WS_POPUP | WS_VISIBLE | WS_BORDER, 20, 20, 200, 80,
                                 nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    ~CForegroundWindow() { DestroyWindow(m_hWnd); }
    bool TakeForeground()
    {
        SetForegroundWindow(m_hWnd);
        return WaitUntil(
            [&] {
                MSG msg;
                while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                    DispatchMessageW(&msg);
                return GetForegroundWindow() == m_hWnd;
            },
            5000);
    }

private:
    HWND m_hWnd = nullptr;
};

class AboutTest : public testing::Test {
protected:
    void SetUp() override
    {
        DeleteSettings();
        ASSERT_TRUE(SetRouterAddress(L"127.0.0.1:" + std::to_wstring(ClosedLoopbackPort())));
    }
    void TearDown() override { DeleteSettings(); }
};

TEST_F(AboutTest, TrayMenuOpensOneBoxAndTheSecondCommandBringsItForward)
{
    CNotifierRun notifier;
    ASSERT_TRUE(notifier.Start(L"/LOG", 90000));
    const HWND hMain = notifier.WaitForMainWindow(15000);
    ASSERT_NE(hMain, nullptr) << DescribeRun(notifier);
    // A right click on the icon, then the menu's third item by the keyboard.
    const HWND hMenu = notifier.OpenTrayMenu();
    ASSERT_NE(hMenu, nullptr) << DescribeRun(notifier);
    for (WPARAM nKey : {VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN})
        PostMessageW(hMenu, WM_KEYDOWN, nKey, 0);

    const HWND hBox = WaitForAboutBox(notifier.ProcessId());
    ASSERT_NE(hBox, nullptr) << DescribeRun(notifier);
    const std::wstring strVersion = std::to_wstring(TN_VERSION_MAJOR) + L"." + std::to_wstring(TN_VERSION_MINOR) +
                                    L"." + std::to_wstring(TN_VERSION_PATCH) + L"." + std::to_wstring(TN_VERSION_BUILD);
    EXPECT_EQ(WindowText(hBox), L"About Tessaro Notifier");
    EXPECT_EQ(ControlText(hBox, IDC_ABOUT_NAME), L"Tessaro Notifier");
    EXPECT_EQ(ControlText(hBox, IDC_ABOUT_VERSION), strVersion);
    EXPECT_EQ(ControlText(hBox, IDC_ABOUT_COPYRIGHT), L"Copyright (C) 2009 Vantrel. All rights reserved.");

    // Another window takes the foreground; the system menu's about command brings the box back.
    CForegroundWindow elsewhere;
    ASSERT_TRUE(elsewhere.TakeForeground());
    PostMessageW(hMain, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == hBox; }, 5000));
    EXPECT_THAT(AboutBoxes(notifier.ProcessId()), testing::ElementsAre(hBox));

    // Closed, it is gone; the next command opens it again.
    PostMessageW(hBox, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(hBox, IDOK)));
    EXPECT_TRUE(WaitUntil([&] { return AboutBoxes(notifier.ProcessId()).empty(); }, 5000));
    PostMessageW(hMain, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    const HWND hAgain = WaitForAboutBox(notifier.ProcessId());
    ASSERT_NE(hAgain, nullptr);
    EXPECT_EQ(AboutBoxes(notifier.ProcessId()).size(), 1u);
    PostMessageW(hAgain, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(hAgain, IDOK)));
    EXPECT_TRUE(WaitUntil([&] { return AboutBoxes(notifier.ProcessId()).empty(); }, 5000));

    EXPECT_TRUE(notifier.Stop());
    DWORD nExit = 99;
    EXPECT_TRUE(notifier.WaitForExit(0, &nExit));
    EXPECT_EQ(nExit, 0u);
}

}  // namespace

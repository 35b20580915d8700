// The live update's whole loop under Wine: the router offers the next version of the
// notifier, whose setup (the build's newer installer) is served on 127.0.0.1; a click on the
// offer downloads and opens it; setup, unattended by the "SilentSetup" policy, stops the
// running notifier with "/STOP", installs for the user and starts the new program, which
// connects to the router again and names its version in its about box.
#include <windows.h>

#include <shlobj.h>

#include <gmock/gmock.h>

#include <string>

#include "resources/resource.h"
#include "tests/e2e/support/ForeignWindows.h"
#include "tests/e2e/support/NotifierRun.h"
#include "tests/windows/support/LoopbackHttp.h"
#include "tests/windows/support/OpenLog.h"
#include "tools/sim/RouterServer.h"

#ifndef TN_NEXT_VERSION
#error TN_NEXT_VERSION is the version of the newer installer that the build makes for the tests
#endif

namespace {

constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tessaro Notifier";
constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kPolicyKey[] = L"Software\\Policies\\Vantrel\\Tessaro Notifier";
constexpr wchar_t kSetupName[] = L"TessaroNotifier-" TN_NEXT_VERSION L"-setup.exe";
constexpr DWORD kWaitMs = 15000;
constexpr DWORD kSetupMs = 60000;

std::wstring ShellFolder(int nFolder)
{
    wchar_t szPath[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, nFolder, nullptr, SHGFP_TYPE_CURRENT, szPath)))
        return std::wstring();
    return szPath;
}

std::wstring InstalledProgram()
{
    return ShellFolder(CSIDL_LOCAL_APPDATA) + L"\\Programs\\Tessaro Notifier\\TessaroNotifier.exe";
}

// The user's installation removed by its own quiet uninstaller (which hands over to a copy
// of itself: the run counts as over once every process it started has ended), then
// whatever an interrupted run left.
void RemoveUserInstallation()
{
    wchar_t szQuiet[1024] = {};
    DWORD nBytes = sizeof(szQuiet) - sizeof(wchar_t);
    if (RegGetValueW(HKEY_CURRENT_USER, kUninstallKey, L"QuietUninstallString", RRF_RT_REG_SZ, nullptr, szQuiet,
                     &nBytes) == ERROR_SUCCESS)
        RunTreeToEnd(szQuiet, kSetupMs);
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKey, L"Tessaro Notifier");
    RegDeleteTreeW(HKEY_CURRENT_USER, kUninstallKey);
    const std::wstring strProgram = InstalledProgram();
    DeleteFileW(strProgram.c_str());
    const std::wstring strFolder = strProgram.substr(0, strProgram.rfind(L'\\'));
    DeleteFileW((strFolder + L"\\Uninstall.exe").c_str());
    RemoveDirectoryW(strFolder.c_str());
}

class LiveUpdateInstallTest : public testing::Test {
protected:
    void SetUp() override
    {
        if (!HasOpenLog())
            GTEST_SKIP() << "needs the sandbox: its loopback servers and its prefix to install into";
        Clean();
        ASSERT_EQ(CountMainWindows(), 0) << "a notifier runs";
    }
    void TearDown() override
    {
        if (HasOpenLog())
            Clean();
    }

    // No notifier, no installation (a logon entry left behind would start the program in
    // every later Wine session), no settings, no policy, no download.
    static void Clean()
    {
        StopNotifiers();
        RemoveUserInstallation();
        StopNotifiers();
        DeleteSettings();
        RegDeleteTreeW(HKEY_CURRENT_USER, kPolicyKey);
        DeleteFileW((ShellFolder(CSIDL_LOCAL_APPDATA) + L"\\Tessaro Notifier\\" + kSetupName).c_str());
    }
};

TEST_F(LiveUpdateInstallTest, OfferedSetupReplacesTheRunningNotifierWithTheNewVersion)
{
    const std::wstring strWork = MakeServedFolder(L"tn-e2e-install");
    ASSERT_FALSE(strWork.empty());
    const std::wstring strRoot = strWork + L"\\www";
    const std::wstring strProgram = NotifierPath();
    const std::string setup = ReadBytes(strProgram.substr(0, strProgram.rfind(L'\\')) + L"\\tests\\installer\\" + kSetupName);
    ASSERT_FALSE(setup.empty()) << "the newer installer was not built";
    ASSERT_TRUE(WriteBytes(strRoot + L"\\" + kSetupName, setup));
    CLoopbackHttp servers;
    ASSERT_TRUE(servers.Start(strRoot, strWork, 150)) << "the HTTP servers of tests/http did not start";
    const std::wstring strUrl = servers.StockUrl(std::wstring(L"/") + kSetupName);

    // The router keeps serving: the new notifier connects to it as the old one did.
    CRouterServer router;
    RouterServerOptions options;
    options.nLifetimeMs = 150000;
    options.bOpenScript = true;
    ASSERT_TRUE(router.Start(0, "wait-connect 30000\n", options)) << router.Error();
    ASSERT_TRUE(SetRouterAddress(L"127.0.0.1:" + std::to_wstring(router.Port())));
    const DWORD nOne = 1;
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, kPolicyKey, L"SilentSetup", REG_DWORD, &nOne, sizeof(nOne)),
              ERROR_SUCCESS);

    // The processes the notifier starts are watched too: setup, the "/STOP" it runs, and
    // the new notifier.
    CNotifierRun notifier;
    ASSERT_TRUE(notifier.StartCommandLine(L"\"" + strProgram + L"\" /LOG", 150000, true));
    const HWND hMain = notifier.WaitForMainWindow(kWaitMs);
    ASSERT_NE(hMain, nullptr) << DescribeRun(notifier);
    const DWORD nOldProcess = notifier.ProcessId();
    ASSERT_GE(router.WaitForLog("connected 1", 30000), 0);

    ASSERT_TRUE(router.AddSteps("send software \"" TN_NEXT_VERSION_NARROW "\" \"" + Narrow(strUrl) + "\"\n"));
    ASSERT_GE(notifier.WaitForLine(L"CDlgMain::ReportSoftwareRequired: VER=" TN_NEXT_VERSION, kWaitMs), 0)
        << DescribeRun(notifier);
    const HWND hLink = GetDlgItem(hMain, IDC_UPDATE_LINK);
    ASSERT_TRUE(WaitUntil([&] { return ControlText(hMain, IDC_UPDATE_LINK).find(L"<a>") != std::wstring::npos; },
                          5000));
    ASSERT_TRUE(ClickLink(hLink));

    HWND hUpdater = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] {
            hUpdater = FindDialogOfProcess(nOldProcess, [](HWND hWnd) {
                return GetDlgItem(hWnd, IDC_UPDATER_PROMPT) != nullptr;
            });
            return hUpdater != nullptr && IsWindowEnabled(GetDlgItem(hUpdater, IDOK));
        },
        kWaitMs))
        << DescribeRun(notifier);
    EXPECT_EQ(ControlText(hUpdater, IDC_UPDATER_FILE_NAME), kSetupName);
    EXPECT_EQ(ControlText(hUpdater, IDC_UPDATER_SIZE), std::to_wstring(setup.size()));
    PressButton(hUpdater, IDOK);

    // The old notifier is asked to end, and ends well (a termination would leave 0x80004005).
    DWORD nExitCode = 99;
    ASSERT_TRUE(notifier.WaitForExit(kSetupMs, &nExitCode)) << DescribeRun(notifier);
    EXPECT_EQ(nExitCode, 0u);
    // The "/STOP" run says so once the old one has gone.
    EXPECT_GE(notifier.WaitForLine(L"CAppMain::TerminateExistingInstance: stopped.", kWaitMs), 0)
        << DescribeRun(notifier);
    EXPECT_EQ(notifier.CountLines(L"CAppMain::TerminateExistingInstance: stopped."), 1u);
    EXPECT_EQ(notifier.CountLines(L"CAppMain::TerminateExistingInstance: terminated."), 0u);

    // The new one runs from the user's installation and connects to the same router.
    const DWORD nNewProcess = WaitForMainWindowProcess(kSetupMs, nOldProcess);
    ASSERT_NE(nNewProcess, 0u) << "setup did not start the new notifier\n" << DescribeRun(notifier);
    EXPECT_EQ(lstrcmpiW(ProcessImage(nNewProcess).c_str(), InstalledProgram().c_str()), 0)
        << Narrow(ProcessImage(nNewProcess));
    EXPECT_GE(router.WaitForLog("connected 2", 30000), 0);

    // Its about box names the new version.
    const HWND hNewMain = FindWindowW(kMainWindowClass, nullptr);
    ASSERT_NE(hNewMain, nullptr);
    PostMessageW(hNewMain, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    HWND hAbout = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] {
            hAbout = FindDialogOfProcess(nNewProcess, [](HWND hWnd) {
                return GetDlgItem(hWnd, IDC_ABOUT_VERSION) != nullptr;
            });
            return hAbout != nullptr && !ControlText(hAbout, IDC_ABOUT_VERSION).empty();
        },
        kWaitMs));
    EXPECT_EQ(ControlText(hAbout, IDC_ABOUT_VERSION), TN_NEXT_VERSION);
    PressButton(hAbout, IDOK);

    router.AddSteps("end\n");
    EXPECT_TRUE(StopNotifiers());
    router.Stop();
    servers.Stop();
    DeleteFileW((strRoot + L"\\" + kSetupName).c_str());
    RemoveDirectoryW(strRoot.c_str());
    RemoveDirectoryW(strWork.c_str());
}

}  // namespace

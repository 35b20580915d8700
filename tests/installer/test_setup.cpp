// The installer under Wine, end to end: silent installs for the user and for the machine,
// the logon start it registers, an upgrade over a running notifier, and the removal. The
// router address is always a closed loopback port before any notifier can start.
#include <windows.h>

#include <shellapi.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <gmock/gmock.h>

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/SysWrappers.h"
#include "tests/e2e/support/NotifierRun.h"

namespace {

constexpr wchar_t kProduct[] = L"Tessaro Notifier";
constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tessaro Notifier";
constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kPolicyKey[] = L"Software\\Policies\\Vantrel\\Tessaro Notifier";
constexpr wchar_t kStopped[] = L"CAppMain::TerminateExistingInstance: stopped.";
constexpr wchar_t kTerminated[] = L"CAppMain::TerminateExistingInstance: terminated.";
constexpr DWORD kSetupTimeoutMs = 60000;
constexpr DWORD kWindowTimeoutMs = 15000;

struct HandleCloser {
    void operator()(HANDLE h) const { XCloseHandle(h); }
};
using CHandle = std::unique_ptr<void, HandleCloser>;

std::wstring Quoted(const std::wstring& strPath)
{
    return L"\"" + strPath + L"\"";
}

std::wstring ModuleFolder()
{
    XBuffer<wchar_t> path(XGetModuleFileName(nullptr));
    const std::wstring text = path ? path.Get() : L"";
    return text.substr(0, text.find_last_of(L'\\'));
}

// The product's installer beside the program; the newer one beside this test.
std::wstring ProductSetup()
{
    const std::wstring program = NotifierPath();
    return program.substr(0, program.find_last_of(L'\\')) + L"\\TessaroNotifier-" TN_PRODUCT_VERSION L"-setup.exe";
}

std::wstring NextSetup()
{
    return ModuleFolder() + L"\\TessaroNotifier-" TN_NEXT_VERSION L"-setup.exe";
}

// The product's setup that takes itself for a standard user's.
std::wstring StandardUserSetup()
{
    return ModuleFolder() + L"\\TessaroNotifier-" TN_PRODUCT_VERSION L"-standard-user-setup.exe";
}

std::wstring ShellFolder(int nFolder)
{
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, nFolder, nullptr, SHGFP_TYPE_CURRENT, path)))
        return std::wstring();
    return path;
}

// Where the live update keeps its downloads.
std::wstring DownloadsFolder()
{
    return ShellFolder(CSIDL_LOCAL_APPDATA) + L"\\" + kProduct;
}

std::optional<std::wstring> ReadString(HKEY hRoot, const wchar_t* pszKey, const wchar_t* pszName)
{
    XBuffer<wchar_t> text(XRegReadString(hRoot, pszKey, pszName, false));
    if (!text)
        return std::nullopt;
    return std::wstring(text.Get());
}

std::optional<DWORD> ReadDword(HKEY hRoot, const wchar_t* pszKey, const wchar_t* pszName)
{
    DWORD nValue = 0;
    DWORD nSize = sizeof(nValue);
    if (RegGetValueW(hRoot, pszKey, pszName, RRF_RT_REG_DWORD, nullptr, &nValue, &nSize) != ERROR_SUCCESS)
        return std::nullopt;
    return nValue;
}

bool KeyExists(HKEY hRoot, const wchar_t* pszKey)
{
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(hRoot, pszKey, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return false;
    XRegCloseKey(hKey);
    return true;
}

bool PathExists(const std::wstring& strPath)
{
    return GetFileAttributesW(strPath.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A folder and everything in it, without asking.
void DeleteFolder(const std::wstring& strFolder)
{
    if (strFolder.empty() || !PathExists(strFolder))
        return;
    std::wstring from = strFolder;
    from.push_back(L'\0');  // the list ends with a second zero
    SHFILEOPSTRUCTW op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NO_UI;
    SHFileOperationW(&op);
}

// The product version of a program, "a.b.c.d"; empty if it has none.
std::wstring FileVersion(const std::wstring& strPath)
{
    VS_FIXEDFILEINFO info = {};
    if (!XGetFileVersion(strPath.c_str(), &info))
        return std::wstring();
    return std::to_wstring(HIWORD(info.dwProductVersionMS)) + L"." + std::to_wstring(LOWORD(info.dwProductVersionMS)) +
           L"." + std::to_wstring(HIWORD(info.dwProductVersionLS)) + L"." +
           std::to_wstring(LOWORD(info.dwProductVersionLS));
}

DWORD ParentProcess(DWORD nProcessId)
{
    DWORD nParent = 0;
    CHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    if (snapshot.get() == INVALID_HANDLE_VALUE)
        return 0;
    for (BOOL b = Process32FirstW(snapshot.get(), &entry); b && nParent == 0;
         b = Process32NextW(snapshot.get(), &entry)) {
        if (entry.th32ProcessID == nProcessId)
            nParent = entry.th32ParentProcessID;
    }
    return nParent;
}

// Runs a command line to its end; false if it could not start or did not end in time.
bool RunToEnd(const std::wstring& strCommandLine, DWORD* pExitCode, DWORD* pProcessId)
{
    std::wstring line = strCommandLine;
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    *pProcessId = pi.dwProcessId;
    CHandle process(pi.hProcess);
    XCloseHandle(pi.hThread);
    return WaitForSingleObject(process.get(), kSetupTimeoutMs) == WAIT_OBJECT_0 &&
           GetExitCodeProcess(process.get(), pExitCode);
}

// Where an installation of one scope puts its files and its registry entries.
struct CScope {
    const char* pszName;
    HKEY hRoot;
    std::wstring strFolder;
    const wchar_t* pszSwitch;
};

CScope UserScope()
{
    return {"per user", HKEY_CURRENT_USER, ShellFolder(CSIDL_LOCAL_APPDATA) + L"\\Programs\\" + kProduct, L""};
}

CScope MachineScope()
{
    return {"per machine", HKEY_LOCAL_MACHINE, ShellFolder(CSIDL_PROGRAM_FILES) + L"\\" + kProduct, L" /ALLUSERS"};
}

std::wstring ProgramOf(const CScope& scope)
{
    return scope.strFolder + L"\\TessaroNotifier.exe";
}

// Removes an installation of the scope and whatever a run that ended half-way left: by its
// own uninstaller first, then by force.
void RemoveInstallation(const CScope& scope)
{
    if (const auto quiet = ReadString(scope.hRoot, kUninstallKey, L"QuietUninstallString"))
        RunTreeToEnd(*quiet, kSetupTimeoutMs);
    RegDeleteKeyValueW(scope.hRoot, kRunKey, kProduct);
    RegDeleteTreeW(scope.hRoot, kUninstallKey);
    DeleteFolder(scope.strFolder);
}

// The "SilentSetup" policy of the current user, off unless a test turns it on.
void SetSilentPolicy(bool bOn)
{
    if (!bOn) {
        RegDeleteTreeW(HKEY_CURRENT_USER, kPolicyKey);
        return;
    }
    const DWORD nOne = 1;
    RegSetKeyValueW(HKEY_CURRENT_USER, kPolicyKey, L"SilentSetup", REG_DWORD, &nOne, sizeof(nOne));
}

// Everything an installation of the scope registers, as a failure message lists it.
void ExpectInstalled(const CScope& scope, const wchar_t* pszVersion)
{
    SCOPED_TRACE(scope.pszName);
    const std::wstring program = ProgramOf(scope);
    const std::wstring uninstaller = scope.strFolder + L"\\Uninstall.exe";
    EXPECT_EQ(FileVersion(program), pszVersion) << "installed program";
    EXPECT_TRUE(PathExists(uninstaller));
    // Quoted: the folder's name has a space, and the logon start runs the command line.
    EXPECT_EQ(ReadString(scope.hRoot, kRunKey, kProduct), Quoted(program));

    const struct {
        const wchar_t* pszName;
        std::wstring strValue;
    } values[] = {
        {L"DisplayName", kProduct},
        {L"DisplayVersion", pszVersion},
        {L"Publisher", L"Vantrel"},
        {L"DisplayIcon", program + L",0"},
        {L"InstallLocation", scope.strFolder},
        {L"UninstallString", Quoted(uninstaller)},
        {L"QuietUninstallString", Quoted(uninstaller) + L" /S"},
    };
    for (const auto& value : values)
        EXPECT_EQ(ReadString(scope.hRoot, kUninstallKey, value.pszName), value.strValue) << "value " << value.pszName;
    // In KiB: the program and the uninstaller, which are more than 100 KiB together.
    EXPECT_THAT(ReadDword(scope.hRoot, kUninstallKey, L"EstimatedSize"), testing::Optional(testing::Gt(100u)));
}

void ExpectRemoved(const CScope& scope)
{
    SCOPED_TRACE(scope.pszName);
    EXPECT_FALSE(PathExists(scope.strFolder));
    EXPECT_FALSE(ReadString(scope.hRoot, kRunKey, kProduct).has_value());
    EXPECT_FALSE(KeyExists(scope.hRoot, kUninstallKey));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kSettingsKey)) << "the settings";
    EXPECT_FALSE(PathExists(DownloadsFolder())) << "the live update's downloads";
    EXPECT_EQ(CountMainWindows(), 0);
}

class SetupTest : public testing::Test {
protected:
    void SetUp() override
    {
        Clean();
        ASSERT_EQ(CountMainWindows(), 0) << "a notifier runs";
        const uint16_t nPort = ClosedLoopbackPort();
        ASSERT_NE(nPort, 0);
        ASSERT_TRUE(SetRouterAddress(L"127.0.0.1:" + std::to_wstring(nPort)));
        // A download of the live update, which only the removal takes away.
        ASSERT_TRUE(CreateDirectoryW(DownloadsFolder().c_str(), nullptr));
        CHandle file(CreateFileW((DownloadsFolder() + L"\\setup.exe").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_NE(file.get(), INVALID_HANDLE_VALUE);
    }
    void TearDown() override { Clean(); }

    // No notifier, no installation (a logon entry left behind would start the program
    // in every later Wine session), no settings, no policy.
    static void Clean()
    {
        StopNotifiers();
        RemoveInstallation(UserScope());
        RemoveInstallation(MachineScope());
        StopNotifiers();
        DeleteSettings();
        SetSilentPolicy(false);
        DeleteFolder(DownloadsFolder());
    }

    // Installs the product silently for the scope, and checks what that left: the files and
    // entries of the scope, none of the other, and the installed program running, started
    // by the setup that was run (not by one it ran).
    static void InstallSilently(const CScope& scope, const std::wstring& strSetup = ProductSetup())
    {
        DWORD nExitCode = 1;
        DWORD nSetup = 0;
        EXPECT_TRUE(RunToEnd(Quoted(strSetup) + L" /S" + scope.pszSwitch, &nExitCode, &nSetup));
        EXPECT_EQ(nExitCode, 0u);
        ExpectInstalled(scope, TN_PRODUCT_VERSION);
        const HKEY hOtherRoot = scope.hRoot == HKEY_CURRENT_USER ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
        EXPECT_FALSE(KeyExists(hOtherRoot, kUninstallKey));
        EXPECT_FALSE(ReadString(hOtherRoot, kRunKey, kProduct).has_value());
        const DWORD nProcessId = WaitForMainWindowProcess(kWindowTimeoutMs);
        EXPECT_NE(nProcessId, 0u) << "the installer did not start the program";
        EXPECT_TRUE(lstrcmpiW(ProcessImage(nProcessId).c_str(), ProgramOf(scope).c_str()) == 0)
            << testing::PrintToString(ProcessImage(nProcessId));
        EXPECT_EQ(ParentProcess(nProcessId), nSetup);
    }

    static void Uninstall(const CScope& scope)
    {
        const auto quiet = ReadString(scope.hRoot, kUninstallKey, L"QuietUninstallString");
        ASSERT_TRUE(quiet.has_value());
        ASSERT_TRUE(RunTreeToEnd(*quiet, kSetupTimeoutMs)) << testing::PrintToString(*quiet);
    }
};

// For the user: the installation, the logon start, an upgrade over the notifier that
// runs, and the removal, each on what the one before left.
TEST_F(SetupTest, PerUserInstallUpgradeAndRemoval)
{
    const CScope scope = UserScope();
    InstallSilently(scope);
    ASSERT_TRUE(StopNotifiers());

    // Logon runs the command line of the Run value.
    const auto logonLine = ReadString(scope.hRoot, kRunKey, kProduct);
    ASSERT_TRUE(logonLine.has_value());
    CNotifierRun logon;
    ASSERT_TRUE(logon.StartCommandLine(*logonLine));
    ASSERT_NE(logon.WaitForMainWindow(kWindowTimeoutMs), nullptr) << DescribeRun(logon);
    EXPECT_TRUE(lstrcmpiW(ProcessImage(logon.ProcessId()).c_str(), ProgramOf(scope).c_str()) == 0);

    // The newer setup opened as the live update opens it, without arguments; the policy
    // makes it unattended. Its processes are watched too, the "/STOP" it runs among them.
    SetSilentPolicy(true);
    CNotifierRun upgrade;
    ASSERT_TRUE(upgrade.StartCommandLine(Quoted(NextSetup()), 120000, true));
    DWORD nExitCode = 1;
    ASSERT_TRUE(upgrade.WaitForExit(kSetupTimeoutMs, &nExitCode)) << DescribeRun(upgrade);
    EXPECT_EQ(nExitCode, 0u);
    // Asked to end, not terminated: that would have left 0x80004005.
    ASSERT_TRUE(logon.WaitForExit(kWindowTimeoutMs, &nExitCode));
    EXPECT_EQ(nExitCode, 0u);
    EXPECT_EQ(upgrade.CountLines(kStopped), 1u) << DescribeRun(upgrade);
    EXPECT_EQ(upgrade.CountLines(kTerminated), 0u);
    ExpectInstalled(scope, TN_NEXT_VERSION);
    const DWORD nUpgraded = WaitForMainWindowProcess(kWindowTimeoutMs);
    EXPECT_NE(nUpgraded, 0u) << "the upgrade did not start the program";
    EXPECT_NE(nUpgraded, logon.ProcessId());
    EXPECT_EQ(FileVersion(ProcessImage(nUpgraded)), TN_NEXT_VERSION);

    Uninstall(scope);
    // The removal's "/BULLDOZE" ended the upgraded notifier, the last of the setup's processes.
    EXPECT_TRUE(upgrade.WaitForEnd(kWindowTimeoutMs));
    ExpectRemoved(scope);
}

// For all users: the machine's folder and entries, none of the user's, and the removal.
// Wine runs every program with administrator rights, so no elevation is asked for here.
TEST_F(SetupTest, PerMachineInstallAndRemoval)
{
    const CScope scope = MachineScope();
    InstallSilently(scope);
    Uninstall(scope);
    ExpectRemoved(scope);
}

// The same from a standard user's setup: it runs itself again with the rights, which
// installs, and starts the program itself, as the desktop's user; the removal likewise
// runs itself again to remove.
TEST_F(SetupTest, PerMachineFromStandardUserAsksForRights)
{
    const CScope scope = MachineScope();
    InstallSilently(scope, StandardUserSetup());
    Uninstall(scope);
    ExpectRemoved(scope);
}

BOOL CALLBACK CollectText(HWND hWnd, LPARAM lParam)
{
    wchar_t text[256] = {};
    GetWindowTextW(hWnd, text, 256);
    reinterpret_cast<std::vector<std::wstring>*>(lParam)->push_back(text);
    return TRUE;
}

// The top-level dialog of a process whose controls include one with each of the texts (a
// page is built a control at a time); null after the time-out.
HWND WaitForDialogWith(DWORD nProcessId, std::initializer_list<const wchar_t*> wanted, std::vector<std::wstring>& texts)
{
    HWND hFound = nullptr;
    WaitUntil(
        [&] {
            texts.clear();
            for (HWND hWnd = FindWindowW(L"#32770", nullptr); hWnd != nullptr && hFound == nullptr;
                 hWnd = FindWindowExW(nullptr, hWnd, L"#32770", nullptr)) {
                DWORD nOwner = 0;
                GetWindowThreadProcessId(hWnd, &nOwner);
                if (nOwner != nProcessId)
                    continue;
                const size_t nFirst = texts.size();
                EnumChildWindows(hWnd, CollectText, reinterpret_cast<LPARAM>(&texts));
                const auto pFirst = texts.begin() + static_cast<std::ptrdiff_t>(nFirst);
                if (std::all_of(wanted.begin(), wanted.end(), [&](const wchar_t* pszText) {
                        return std::find(pFirst, texts.end(), pszText) != texts.end();
                    }))
                    hFound = hWnd;
            }
            return hFound != nullptr;
        },
        kSetupTimeoutMs);
    return hFound;
}

// Without the policy and without /S, setup asks first for whom to install, and installs
// nothing until it is answered: the policy, not the missing arguments, made the upgrade
// above unattended. Cancelled, it ends with 1.
TEST_F(SetupTest, PlainStartAsksForTheScope)
{
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    std::wstring line = Quoted(ProductSetup());
    ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    CHandle process(pi.hProcess);
    XCloseHandle(pi.hThread);

    std::vector<std::wstring> texts;
    HWND hSetup = WaitForDialogWith(pi.dwProcessId,
                                    {L"Only for &me (no administrator rights needed)",
                                     L"For &all users of this computer (needs administrator rights)"},
                                    texts);
    EXPECT_NE(hSetup, nullptr) << testing::PrintToString(texts);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kUninstallKey));
    EXPECT_EQ(CountMainWindows(), 0);

    // Cancel, and yes to the question whether to quit.
    PostMessageW(hSetup, WM_COMMAND, IDCANCEL, 0);
    HWND hQuestion = WaitForDialogWith(pi.dwProcessId, {L"&Yes"}, texts);
    EXPECT_NE(hQuestion, nullptr) << testing::PrintToString(texts);
    PostMessageW(hQuestion, WM_COMMAND, IDYES, 0);
    DWORD nExitCode = 0;
    if (WaitForSingleObject(process.get(), kWindowTimeoutMs) != WAIT_OBJECT_0)
        TerminateProcess(process.get(), 2);
    EXPECT_TRUE(GetExitCodeProcess(process.get(), &nExitCode));
    EXPECT_EQ(nExitCode, 1u);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kUninstallKey));
}

}  // namespace

// Start-up, end to end: the real program's choice between running, handing over to the
// instance that runs and stopping it, its command-line switches, the settings check and
// the language library. None of it waits for the program's timer, so every run is short;
// the router address is always a closed loopback port.
#include <windows.h>

#include <tlhelp32.h>

#include <gmock/gmock.h>

#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/e2e/support/NotifierRun.h"

namespace {

using testing::ElementsAreArray;
using testing::HasSubstr;

constexpr wchar_t kLanguageKey[] = L".DEFAULT\\Software\\Vantrel\\Tessaro Notifier\\ApplicationSettings";
constexpr wchar_t kEnglishLine[] = L"Default Language English Selected since registry value was empty.";
constexpr wchar_t kNotExisting[] = L"IsFileExisting failed";
constexpr wchar_t kNoHandle[] = L"AfxSetResourceHandle failed [m_hLangDLL is NULL]";
constexpr wchar_t kNotFound[] = L"CAppMain::TerminateExistingInstance: not found.";
constexpr wchar_t kStopped[] = L"CAppMain::TerminateExistingInstance: stopped.";
constexpr DWORD kExitTimeoutMs = 20000;

std::wstring ProgramFolder()
{
    const std::wstring path = NotifierPath();
    return path.substr(0, path.find_last_of(L'\\'));
}

std::wstring TracePath()
{
    return ProgramFolder() + L"\\Trace.Log";
}

// The messages of "Trace.Log" without their time stamps; none if the file is absent.
std::vector<std::wstring> TraceMessages()
{
    std::vector<std::wstring> messages;
    HANDLE hFile = CreateFileW(TracePath().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return messages;
    std::string bytes(64 * 1024, '\0');
    DWORD nRead = 0;
    ReadFile(hFile, bytes.data(), static_cast<DWORD>(bytes.size()), &nRead, nullptr);
    CloseHandle(hFile);
    bytes.resize(nRead);
    size_t nStart = 0;
    while (nStart < bytes.size()) {
        size_t nEnd = bytes.find('\n', nStart);
        if (nEnd == std::string::npos)
            nEnd = bytes.size();
        std::string line = bytes.substr(nStart, nEnd - nStart);
        const size_t nText = line.find("]  ");
        if (nText != std::string::npos)
            line = line.substr(nText + 3);
        messages.emplace_back(line.begin(), line.end());
        nStart = nEnd + 1;
    }
    return messages;
}

bool SettingsTreeExists()
{
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return false;
    RegCloseKey(hKey);
    return true;
}

// The machine-wide language value "AppLang", absent while a test runs unless it sets it,
// and put back as it was afterwards.
class CLanguageValue {
public:
    CLanguageValue()
    {
        if (RegCreateKeyExW(HKEY_USERS, kLanguageKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &m_hKey, nullptr) !=
            ERROR_SUCCESS) {
            m_hKey = nullptr;
            return;
        }
        DWORD nSize = 0;
        if (RegQueryValueExW(m_hKey, L"AppLang", nullptr, &m_nType, nullptr, &nSize) == ERROR_SUCCESS) {
            m_saved.resize(nSize);
            m_bSaved = RegQueryValueExW(m_hKey, L"AppLang", nullptr, &m_nType, m_saved.data(), &nSize) == ERROR_SUCCESS;
        }
        RegDeleteValueW(m_hKey, L"AppLang");
    }
    ~CLanguageValue()
    {
        if (m_hKey == nullptr)
            return;
        if (m_bSaved)
            RegSetValueExW(m_hKey, L"AppLang", 0, m_nType, m_saved.data(), static_cast<DWORD>(m_saved.size()));
        else
            RegDeleteValueW(m_hKey, L"AppLang");
        RegCloseKey(m_hKey);
    }
    bool IsOpen() const { return m_hKey != nullptr; }
    bool Set(const std::wstring& strCode)
    {
        return RegSetValueExW(m_hKey, L"AppLang", 0, REG_SZ, reinterpret_cast<const BYTE*>(strCode.c_str()),
                              static_cast<DWORD>((strCode.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    }

private:
    HKEY m_hKey = nullptr;
    DWORD m_nType = REG_SZ;
    std::vector<BYTE> m_saved;
    bool m_bSaved = false;
};

BOOL CALLBACK CollectStaticText(HWND hWnd, LPARAM lParam)
{
    wchar_t cls[32];
    if (GetClassNameW(hWnd, cls, 32) != 0 && lstrcmpiW(cls, L"Static") == 0) {
        wchar_t text[512] = {};
        SendMessageTimeoutW(hWnd, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, nullptr);
        if (text[0] != L'\0')
            reinterpret_cast<std::vector<std::wstring>*>(lParam)->push_back(text);
    }
    return TRUE;
}

// Where a module is loaded in another process; null if it is not.
HMODULE ModuleOfProcess(DWORD nProcessId, const wchar_t* pszName)
{
    HMODULE hFound = nullptr;
    HANDLE hSnap = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, nProcessId);
    if (hSnap == INVALID_HANDLE_VALUE)
        return nullptr;
    MODULEENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL b = Module32FirstW(hSnap, &entry); b && hFound == nullptr; b = Module32NextW(hSnap, &entry)) {
        if (lstrcmpiW(entry.szModule, pszName) == 0)
            hFound = entry.hModule;
    }
    CloseHandle(hSnap);
    return hFound;
}

std::wstring WindowText(HWND hWnd)
{
    wchar_t text[512] = {};
    SendMessageTimeoutW(hWnd, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, nullptr);
    return text;
}

// The program that owns a window of the main window class, for a failure message.
std::string MainWindowOwner()
{
    HWND hWnd = FindWindowW(kMainWindowClass, nullptr);
    DWORD nProcessId = 0;
    if (hWnd == nullptr || GetWindowThreadProcessId(hWnd, &nProcessId) == 0)
        return "none";
    std::string owner = "process " + std::to_string(nProcessId);
    HANDLE hSnap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (hSnap == INVALID_HANDLE_VALUE)
        return owner;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL b = Process32FirstW(hSnap, &entry); b; b = Process32NextW(hSnap, &entry)) {
        if (entry.th32ProcessID == nProcessId)
            owner += " " + testing::PrintToString(std::wstring(entry.szExeFile));
    }
    CloseHandle(hSnap);
    return owner;
}

class StartupTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(CountMainWindows(), 0) << "a window of the main window class exists, of " << MainWindowOwner();
        DeleteSettings();
        DeleteFileW(TracePath().c_str());
        m_nClosedPort = ClosedLoopbackPort();
        ASSERT_NE(m_nClosedPort, 0);
        ASSERT_TRUE(SetRouterAddress(L"127.0.0.1:" + std::to_wstring(m_nClosedPort)));
    }
    void TearDown() override
    {
        DeleteSettings();
        DeleteFileW(TracePath().c_str());
    }

    uint16_t m_nClosedPort = 0;
};

// A start finds the running instance by its window: without switches it shows that
// instance's window and ends; "/STOPPED" holds "/STOP" and ends that instance.
TEST_F(StartupTest, SecondStartShowsRunningInstanceAndStopEndsIt)
{
    CNotifierRun instance;
    ASSERT_TRUE(instance.Start(L"/LOG"));
    HWND hMain = instance.WaitForMainWindow(15000);
    ASSERT_NE(hMain, nullptr) << DescribeRun(instance);
    EXPECT_FALSE(IsWindowVisible(hMain));

    CNotifierRun second;
    ASSERT_TRUE(second.Start(L""));
    DWORD nExitCode = 1;
    ASSERT_TRUE(second.WaitForExit(kExitTimeoutMs, &nExitCode)) << DescribeRun(second);
    EXPECT_EQ(nExitCode, 0u);
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(hMain) != FALSE; }, 5000));
    EXPECT_EQ(CountMainWindows(), 1);
    EXPECT_FALSE(instance.HasExited());

    CNotifierRun stopper;
    ASSERT_TRUE(stopper.Start(L"/STOPPED /LOG"));
    ASSERT_TRUE(stopper.WaitForExit(kExitTimeoutMs, &nExitCode)) << DescribeRun(stopper);
    EXPECT_EQ(nExitCode, 0u);
    EXPECT_EQ(stopper.CountLines(kStopped), 1u) << DescribeRun(stopper);
    EXPECT_EQ(stopper.CountLines(L"CAppMain::InitInstance, TerminateExistingInstance: 0x0."), 1u);
    nExitCode = 1;
    EXPECT_TRUE(instance.WaitForExit(5000, &nExitCode));
    EXPECT_EQ(nExitCode, 0u);
    EXPECT_EQ(CountMainWindows(), 0);
}

// Without an instance a stop finds nothing and ends with 0; the switches are matched in
// any case, and level-1 lines appear only with "/LOG".
TEST_F(StartupTest, StopWithoutInstanceEndsWithZero)
{
    const struct {
        const wchar_t* pszArguments;
        bool bLevelOne;
    } cases[] = {
        {L"/STOP /LOG", true},
        {L"/log /stop", true},
        {L"/STOP", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.pszArguments)));
        CNotifierRun stopper;
        ASSERT_TRUE(stopper.Start(c.pszArguments));
        DWORD nExitCode = 1;
        ASSERT_TRUE(stopper.WaitForExit(kExitTimeoutMs, &nExitCode)) << DescribeRun(stopper);
        EXPECT_EQ(nExitCode, 0u);
        EXPECT_EQ(stopper.CountLines(L"CAppMain::TerminateExistingInstance"), c.bLevelOne ? 2u : 0u)
            << DescribeRun(stopper);
        EXPECT_EQ(stopper.CountLines(kNotFound), c.bLevelOne ? 1u : 0u);
        EXPECT_EQ(CountMainWindows(), 0);
    }
}

// "/BULLDOZE" stops the instance and deletes the settings tree; a second one, here with
// "/STOP" beside it, finds neither and says so with the not-found code.
TEST_F(StartupTest, BulldozeStopsInstanceAndDeletesSettingsOnce)
{
    ASSERT_FALSE(ReadSetting(L"RouterAddress").empty());
    CNotifierRun instance;
    ASSERT_TRUE(instance.Start(L""));
    ASSERT_NE(instance.WaitForMainWindow(15000), nullptr) << DescribeRun(instance);

    CNotifierRun bulldozer;
    ASSERT_TRUE(bulldozer.Start(L"/BULLDOZE /LOG"));
    DWORD nExitCode = 1;
    ASSERT_TRUE(bulldozer.WaitForExit(kExitTimeoutMs, &nExitCode)) << DescribeRun(bulldozer);
    EXPECT_EQ(nExitCode, 0u);
    EXPECT_EQ(bulldozer.CountLines(kStopped), 1u) << DescribeRun(bulldozer);
    EXPECT_EQ(bulldozer.CountLines(L"CAppMain::Bulldoze suceeded.[0x0]"), 1u) << DescribeRun(bulldozer);
    EXPECT_TRUE(instance.WaitForExit(5000));
    EXPECT_FALSE(SettingsTreeExists());

    CNotifierRun again;
    ASSERT_TRUE(again.Start(L"/STOP /BULLDOZE /LOG"));
    nExitCode = 1;
    ASSERT_TRUE(again.WaitForExit(kExitTimeoutMs, &nExitCode)) << DescribeRun(again);
    EXPECT_EQ(nExitCode, 0u);
    EXPECT_EQ(again.CountLines(kNotFound), 1u) << DescribeRun(again);
    EXPECT_EQ(again.CountLines(L"CAppMain::Bulldoze failed.[0x2]"), 1u) << DescribeRun(again);
    EXPECT_FALSE(SettingsTreeExists());
}

// An address without a port separator: the user is told and the program ends once the
// box is closed, without a main window.
TEST_F(StartupTest, InvalidSettingsShowMessageBoxAndEnd)
{
    ASSERT_TRUE(SetRouterAddress(L"127.0.0.1"));
    CNotifierRun run;
    ASSERT_TRUE(run.Start(L""));
    HWND hBox = run.WaitForWindowOfClass(L"#32770", 15000);
    ASSERT_NE(hBox, nullptr) << DescribeRun(run);
    // The box is found as soon as it exists; its controls follow.
    std::vector<std::wstring> texts;
    WaitUntil(
        [&] {
            texts.clear();
            EnumChildWindows(hBox, CollectStaticText, reinterpret_cast<LPARAM>(&texts));
            return !texts.empty();
        },
        5000);
    EXPECT_THAT(texts, ElementsAreArray({std::wstring(L"Invalid settings.")}));
    EXPECT_EQ(WindowText(hBox), L"Tessaro Notifier");
    EXPECT_EQ(run.CountLines(L"CSettings::Init, getting address: NOK."), 1u) << DescribeRun(run);
    EXPECT_EQ(CountMainWindows(), 0);
    EXPECT_FALSE(run.HasExited());

    PostMessageW(hBox, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(hBox, IDOK)));
    DWORD nExitCode = 1;
    ASSERT_TRUE(run.WaitForExit(kExitTimeoutMs, &nExitCode)) << DescribeRun(run);
    EXPECT_EQ(nExitCode, 0u);
}

struct LanguageCase {
    const char* pszName;
    const wchar_t* pszAppLang;  // null: no value
    bool bPlaceXx;              // the test library beside the program
    std::vector<std::wstring> traceMessages;
    const wchar_t* pszNoConnection;  // control texts: from the string table...
    const wchar_t* pszStatusTitle;
    const wchar_t* pszTechnology;  // ...and as the dialog template has it (no link, no change)
};

void PrintTo(const LanguageCase& c, std::ostream* pOut)
{
    *pOut << c.pszName;
}

const LanguageCase kLanguageCases[] = {
    {"Absent", nullptr, false, {kEnglishLine}, L"No connection to the router", L"Device Status", L"-"},
    {"MissingLibrary", L"Fr", false, {kNotExisting, kNoHandle}, L"No connection to the router", L"Device Status", L"-"},
    {"TestLibrary",
     L"Xx",
     true,
     {},
     L"[Xx] No connection to the router",
     L"[Xx] Ger\u00e4testatus \u2013 \u0237",
     L"[Xx] -"},
};

class LanguageStartupTest : public StartupTest, public testing::WithParamInterface<LanguageCase> {
protected:
    std::wstring LibraryCopy() const { return ProgramFolder() + L"\\Xx.dll"; }
    void SetUp() override
    {
        ASSERT_TRUE(m_language.IsOpen());
        StartupTest::SetUp();
    }
    void TearDown() override
    {
        DeleteFileW(LibraryCopy().c_str());
        StartupTest::TearDown();
    }

    CLanguageValue m_language;
};

// The language chosen at start-up: its steps in "Trace.Log", the level-1 load line, and
// where the main window's texts come from.
TEST_P(LanguageStartupTest, ChoosesResourcesOfTheMainWindow)
{
    const LanguageCase& c = GetParam();
    if (c.pszAppLang != nullptr) {
        ASSERT_TRUE(m_language.Set(c.pszAppLang));
    }
    if (c.bPlaceXx) {
        ASSERT_TRUE(CopyFileW((ProgramFolder() + L"\\tests\\windows\\Xx.dll").c_str(), LibraryCopy().c_str(), FALSE))
            << "Xx.dll is not built beside the Windows tests";
    }

    CNotifierRun run;
    ASSERT_TRUE(run.Start(L"/LOG"));
    HWND hMain = run.WaitForMainWindow(15000);
    ASSERT_NE(hMain, nullptr) << DescribeRun(run);
    EXPECT_TRUE(WaitUntil([&] { return ControlText(hMain, IDC_NO_CONNECTION) == c.pszNoConnection; }, 5000))
        << "reads " << testing::PrintToString(ControlText(hMain, IDC_NO_CONNECTION));
    EXPECT_EQ(ControlText(hMain, IDC_STATUS_TITLE), c.pszStatusTitle);
    EXPECT_EQ(ControlText(hMain, IDC_TECHNOLOGY), c.pszTechnology);
    // The main window's class belongs to the module its template came from.
    const HMODULE hClassModule = reinterpret_cast<HMODULE>(GetClassLongPtrW(hMain, GCLP_HMODULE));
    EXPECT_EQ(hClassModule, ModuleOfProcess(run.ProcessId(), c.bPlaceXx ? L"Xx.dll" : L"TessaroNotifier.exe"));

    EXPECT_THAT(TraceMessages(), ElementsAreArray(c.traceMessages));
    const std::wstring loaded = L"Loading " + LibraryCopy() + L" suceeded (0x0)";
    EXPECT_EQ(run.CountLines(loaded), c.bPlaceXx ? 1u : 0u) << DescribeRun(run);
    EXPECT_EQ(run.CountLines(L"Loading "), c.bPlaceXx ? 1u : 0u);

    DWORD nExitCode = 1;
    EXPECT_TRUE(run.Stop());
    EXPECT_TRUE(run.WaitForExit(0, &nExitCode));
    EXPECT_EQ(nExitCode, 0u);
}

INSTANTIATE_TEST_SUITE_P(AppLang, LanguageStartupTest, testing::ValuesIn(kLanguageCases),
                         [](const testing::TestParamInfo<LanguageCase>& info) { return info.param.pszName; });

}  // namespace

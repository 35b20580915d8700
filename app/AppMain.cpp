#include "app/AppMain.h"

#include <commctrl.h>

#include <algorithm>
#include <cwctype>
#include <new>
#include <string>

#include "app/AppString.h"
#include "app/FileVersionSource.h"
#include "app/LanguageSelection.h"
#include "app/Log.h"
#include "app/ProfileSettingsStore.h"
#include "app/ResourceModule.h"
#include "app/Settings.h"
#include "app/SysWrappers.h"
#include "framework/MessageBox.h"
#include "framework/SocketInit.h"
#include "resources/StringIds.h"
#include "resources/resource.h"
#include "status/DlgMain.h"

namespace {

constexpr DWORD kStopWaitMs = 8192;
constexpr DWORD kStopRights = SYNCHRONIZE | PROCESS_TERMINATE;  // 0x100001
constexpr DWORD kTerminatedExitCode = 0x80004005;               // E_FAIL

std::wstring UpperCase(const wchar_t* pszText)
{
    std::wstring text = pszText != nullptr ? pszText : L"";
    std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return std::towupper(c); });
    return text;
}

bool Contains(const std::wstring& text, const wchar_t* pszSwitch)
{
    return text.find(pszSwitch) != std::wstring::npos;
}

}  // namespace

CAppMain::CAppMain() = default;
CAppMain::~CAppMain() = default;

bool CAppMain::InitInstance()
{
    SetRegistryKey(L"Vantrel");

    const std::wstring commandLine = UpperCase(m_lpCmdLine);
    if (Contains(commandLine, L"/LOG"))
        XLogSetLevel(1);

    m_hLangDLL = SelectLanguageLibrary();

    const bool bStop = Contains(commandLine, L"/STOP");
    const bool bBulldoze = Contains(commandLine, L"/BULLDOZE");
    if (bStop || bBulldoze) {
        m_bStopMode = 1;
        m_nStopResult = TerminateExistingInstance();
        XLog(1, L"CAppMain::InitInstance, TerminateExistingInstance: 0x%x.", m_nStopResult);
        if (bBulldoze)
            Bulldoze();
        return false;
    }

    INITCOMMONCONTROLSEX icc = {sizeof(icc), 0xFF};
    InitCommonControlsEx(&icc);
    // The link control of the update group is not in the 0xFF set.
    INITCOMMONCONTROLSEX iccLink = {sizeof(iccLink), ICC_LINK_CLASS};
    InitCommonControlsEx(&iccLink);
    CWinApp::InitInstance();

    HWND hRunning = FindWindowW(kMainWindowClassName, nullptr);
    if (hRunning != nullptr) {
        PostMessageW(hRunning, WM_APP_SHOW_STATUS, 0, 0);
        return false;
    }

    if (!AfxSocketInit()) {
        AfxMessageBox(IDS_SOCKET_INIT_FAILED);
        return false;
    }

    static CProfileSettingsStore s_store(*this);
    static CFileVersionSource s_version;
    CSettings::SetStore(&s_store, &s_version);
    if (!CSettings::GetInstance().m_bValid) {
        AfxMessageBox(IDS_INVALID_SETTINGS);
        return false;
    }

    WNDCLASSW wc = {};
    if (!GetClassInfoW(nullptr, L"#32770", &wc)) {
        XLog(3, L"FAILED to GetClassInfo");
        return false;
    }
    wc.lpszClassName = kMainWindowClassName;
    wc.hInstance = m_hLangDLL != nullptr ? m_hLangDLL : AfxGetInstanceHandle();
    if (RegisterClassW(&wc) == 0) {
        XLog(3, L"FAILED to RegisterClass");
        return false;
    }
    m_hClassModule = wc.hInstance;
    m_bClassRegistered = true;

    // Start-up is outside every window procedure: it catches running out of memory itself.
    CDlgMain* pMain = nullptr;
    try {
        pMain = new CDlgMain();
    } catch (const std::bad_alloc&) {
        XLog(3, L"Invalid pointer.");
        return false;
    }
    m_pMainWnd = pMain;
    if (!pMain->Create(IDD_MAIN, nullptr)) {
        XLog(3, L"Failed to create the main window.");
        m_pMainWnd = nullptr;
        delete pMain;
        return false;
    }
    return true;
}

int CAppMain::ExitInstance()
{
    if (m_hLangDLL != nullptr) {
        AfxSetResourceHandle(nullptr);
        FreeLibrary(m_hLangDLL);
        m_hLangDLL = nullptr;
    }
    if (m_bClassRegistered)
        UnregisterClassW(kMainWindowClassName, m_hClassModule);
    if (m_bStopMode)
        return static_cast<int>(m_nStopResult);
    return CWinApp::ExitInstance();
}

DWORD CAppMain::TerminateExistingInstance()
{
    XLog(1, L"CAppMain::TerminateExistingInstance");
    HWND hRunning = FindWindowW(kMainWindowClassName, nullptr);
    if (hRunning == nullptr) {
        XLog(1, L"CAppMain::TerminateExistingInstance: not found.");
        return 0;
    }
    PostMessageW(hRunning, WM_APP_STOP, 0, 0);

    DWORD nProcessId = 0;
    if (GetWindowThreadProcessId(hRunning, &nProcessId) == 0 || nProcessId == 0)
        return XLastError();
    const XHandle process(OpenProcess(kStopRights, FALSE, nProcessId));
    if (!process)
        return XLastError();

    if (WaitForSingleObject(process.Get(), kStopWaitMs) == WAIT_OBJECT_0) {
        XLog(1, L"CAppMain::TerminateExistingInstance: stopped.");
        return 0;
    }
    if (TerminateProcess(process.Get(), kTerminatedExitCode)) {
        XLog(1, L"CAppMain::TerminateExistingInstance: terminated.");
        return 0;
    }
    // The handle's release keeps this code.
    return XLastError();
}

LONG CAppMain::Bulldoze()
{
    const std::wstring key = L"Software\\Vantrel\\" + GetAppName();
    const LONG nResult = DelRegTree(HKEY_CURRENT_USER, key.c_str());
    XLog(1, L"CAppMain::Bulldoze %s.[0x%x]", nResult == 0 ? L"suceeded" : L"failed", nResult);
    return nResult;
}

#include "tests/e2e/support/NotifierRun.h"

#include <winsock2.h>

#include "tools/DebugSession.h"

namespace {

// Finds a window of a class owned by the process that the debugger thread started (of any
// process when nProcessId is 0), to reach it; counts the matches on the way.
struct FindWindowOfProcess {
    const wchar_t* pszClass;
    DWORD nProcessId;
    HWND hFound;
    int nCount;
};

BOOL CALLBACK FindWindowProc(HWND hWnd, LPARAM lParam)
{
    auto* pFind = reinterpret_cast<FindWindowOfProcess*>(lParam);
    wchar_t cls[128];
    if (GetClassNameW(hWnd, cls, 128) == 0 || lstrcmpW(cls, pFind->pszClass) != 0)
        return TRUE;
    DWORD nPid = 0;
    GetWindowThreadProcessId(hWnd, &nPid);
    if (pFind->nProcessId != 0 && nPid != pFind->nProcessId)
        return TRUE;
    pFind->hFound = hWnd;
    ++pFind->nCount;
    return TRUE;
}

}  // namespace

bool SetRouterAddress(const std::wstring& strAddress)
{
    return WriteSetting(L"RouterAddress", strAddress);
}

bool WriteSetting(const wchar_t* pszName, const std::wstring& strValue)
{
    const std::wstring key = std::wstring(kSettingsKey) + L"\\Common";
    HKEY hKey = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &hKey, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const LONG nResult = RegSetValueExW(hKey, pszName, 0, REG_SZ, reinterpret_cast<const BYTE*>(strValue.c_str()),
                                        static_cast<DWORD>((strValue.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(hKey);
    return nResult == ERROR_SUCCESS;
}

void DeleteSettings()
{
    RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
}

std::wstring ReadSetting(const wchar_t* pszName)
{
    const std::wstring key = std::wstring(kSettingsKey) + L"\\Common";
    wchar_t value[512] = {};
    DWORD nBytes = sizeof(value) - sizeof(wchar_t);
    if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), pszName, RRF_RT_REG_SZ, nullptr, value, &nBytes) != ERROR_SUCCESS)
        return std::wstring();
    return value;
}

uint16_t ClosedLoopbackPort()
{
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0)
        return 0;
    uint16_t nPort = 0;
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int nLength = sizeof(address);
    if (s != INVALID_SOCKET && bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &nLength) == 0)
        nPort = ntohs(address.sin_port);
    if (s != INVALID_SOCKET)
        closesocket(s);
    WSACleanup();
    return nPort;
}

CNotifierRun::~CNotifierRun()
{
    // Ends whatever of the run still lives.
    m_bCancel = true;
    if (m_thread.joinable())
        m_thread.join();
}

bool CNotifierRun::Start(const std::wstring& strArguments, DWORD nLifetimeMs)
{
    return StartCommandLine(L"\"" + NotifierPath() + L"\" " + strArguments, nLifetimeMs);
}

bool CNotifierRun::StartCommandLine(const std::wstring& strCommandLine, DWORD nLifetimeMs, bool bFollowChildren)
{
    CDebugSessionOptions options;
    options.bFollowChildren = bFollowChildren;
    options.pCancel = &m_bCancel;
    options.onStart = [this](DWORD nProcessId) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_nProcessId = nProcessId;
        m_changed.notify_all();
    };
    options.onExit = [this](DWORD nExitCode) { OnExit(nExitCode); };
    m_thread = std::thread([this, strCommandLine, nLifetimeMs, options] {
        const CDebugSessionResult result = RunDebugSession(
            strCommandLine, nLifetimeMs, [this](const std::wstring& s) { OnString(s); }, options);
        // A program that could not start, or whose exit went unseen.
        OnExit(result.bStarted ? result.nExitCode : static_cast<DWORD>(-1));
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bOver = true;
        m_changed.notify_all();
    });
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [&] { return m_nProcessId != 0 || m_bExited; });
    m_bStarted = m_nProcessId != 0;
    return m_bStarted;
}

void CNotifierRun::OnExit(DWORD nExitCode)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_bExited)
        return;
    m_bExited = true;
    m_nExitCode = nExitCode;
    m_changed.notify_all();
}

bool CNotifierRun::WaitForEnd(DWORD nTimeoutMs)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(nTimeoutMs), [&] { return m_bOver; });
}

void CNotifierRun::OnString(const std::wstring& strText)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::wstring line = strText;
    if (!line.empty() && line.back() == L'\n')
        line.pop_back();
    m_lines.push_back(line);
    m_changed.notify_all();
}

int CNotifierRun::WaitForLine(const std::wstring& strText, DWORD nTimeoutMs, size_t nFrom)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    int nFound = -1;
    m_changed.wait_for(lock, std::chrono::milliseconds(nTimeoutMs), [&] {
        for (size_t i = nFrom; i < m_lines.size(); ++i) {
            if (m_lines[i].find(strText) != std::wstring::npos) {
                nFound = static_cast<int>(i);
                return true;
            }
        }
        return m_bOver;
    });
    return nFound;
}

size_t CNotifierRun::CountLines(const std::wstring& strText) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    size_t n = 0;
    for (const std::wstring& line : m_lines)
        n += line.find(strText) != std::wstring::npos ? 1 : 0;
    return n;
}

std::vector<std::wstring> CNotifierRun::Lines() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lines;
}

bool CNotifierRun::WaitForExit(DWORD nTimeoutMs, DWORD* pExitCode)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (!m_changed.wait_for(lock, std::chrono::milliseconds(nTimeoutMs), [&] { return m_bExited; }))
        return false;
    if (pExitCode != nullptr)
        *pExitCode = m_nExitCode;
    return true;
}

bool CNotifierRun::HasExited() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bExited;
}

HWND CNotifierRun::WaitForMainWindow(DWORD nTimeoutMs)
{
    return WaitForWindowOfClass(kMainWindowClass, nTimeoutMs);
}

HWND CNotifierRun::WaitForWindowOfClass(const wchar_t* pszClass, DWORD nTimeoutMs)
{
    if (m_nProcessId == 0)
        return nullptr;
    FindWindowOfProcess find = {pszClass, m_nProcessId, nullptr, 0};
    WaitUntil(
        [&] {
            EnumWindows(FindWindowProc, reinterpret_cast<LPARAM>(&find));
            return find.hFound != nullptr || HasExited();
        },
        nTimeoutMs);
    return find.hFound;
}

int CountMainWindows()
{
    FindWindowOfProcess find = {kMainWindowClass, 0, nullptr, 0};
    EnumWindows(FindWindowProc, reinterpret_cast<LPARAM>(&find));
    return find.nCount;
}

HWND CNotifierRun::OpenTrayMenu()
{
    HWND hIcon = nullptr;
    if (!WaitUntil([&] { return (hIcon = FindTrayIcon()) != nullptr; }, 10000))
        return nullptr;
    RECT rc = {};
    GetClientRect(hIcon, &rc);
    const LPARAM pt = MAKELPARAM(rc.right / 2, rc.bottom / 2);
    PostMessageW(hIcon, WM_RBUTTONDOWN, MK_RBUTTON, pt);
    PostMessageW(hIcon, WM_RBUTTONUP, 0, pt);
    HWND hMenu = WaitForWindowOfClass(L"#32768", 10000);
    if (hMenu == nullptr || !WaitUntil([&] { return IsWindowVisible(hMenu) != FALSE; }, 5000))
        return nullptr;
    return hMenu;
}

bool CNotifierRun::Stop(DWORD nTimeoutMs)
{
    HWND hWnd = WaitForMainWindow(0);
    if (hWnd != nullptr)
        PostMessageW(hWnd, WM_APP + 3, 0, 0);
    return WaitForExit(nTimeoutMs);
}

DWORD WaitForMainWindowProcess(DWORD nTimeoutMs, DWORD nNotProcessId)
{
    DWORD nProcessId = 0;
    const bool bFound = WaitUntil(
        [&] {
            HWND hWnd = FindWindowW(kMainWindowClass, nullptr);
            nProcessId = 0;
            return hWnd != nullptr && GetWindowThreadProcessId(hWnd, &nProcessId) != 0 && nProcessId != 0 &&
                   nProcessId != nNotProcessId;
        },
        nTimeoutMs);
    return bFound ? nProcessId : 0;
}

bool StopNotifiers(DWORD nTimeoutMs)
{
    HWND hAsked = nullptr;
    return WaitUntil(
        [&] {
            HWND hWnd = FindWindowW(kMainWindowClass, nullptr);
            if (hWnd != nullptr && hWnd != hAsked)
                PostMessageW(hWnd, WM_APP + 3, 0, 0);
            hAsked = hWnd;
            return hWnd == nullptr;
        },
        nTimeoutMs);
}

std::wstring ProcessImage(DWORD nProcessId)
{
    HANDLE hProcess = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, nProcessId);
    if (hProcess == nullptr)
        return std::wstring();
    wchar_t path[MAX_PATH * 2] = {};
    DWORD nChars = MAX_PATH * 2;
    if (!QueryFullProcessImageNameW(hProcess, 0, path, &nChars))
        path[0] = L'\0';
    CloseHandle(hProcess);
    return path;
}

bool RunTreeToEnd(const std::wstring& strCommandLine, DWORD nTimeoutMs)
{
    HANDLE hJob = CreateJobObjectW(nullptr, nullptr);
    if (hJob == nullptr)
        return false;
    std::wstring line = strCommandLine;
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    bool bEnded = false;
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr, &si, &pi)) {
        const bool bInJob = AssignProcessToJobObject(hJob, pi.hProcess) != FALSE;
        ResumeThread(pi.hThread);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        bEnded = bInJob && WaitUntil(
                               [&] {
                                   JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info = {};
                                   return QueryInformationJobObject(hJob, JobObjectBasicAccountingInformation, &info,
                                                                    sizeof(info), nullptr) &&
                                          info.ActiveProcesses == 0;
                               },
                               nTimeoutMs);
    }
    CloseHandle(hJob);
    return bEnded;
}

std::string Narrow(const std::wstring& text)
{
    std::string narrow;
    for (wchar_t c : text)
        narrow += c < 128 ? static_cast<char>(c) : '?';
    return narrow;
}

HWND FindTrayIcon()
{
    HWND hTray = FindWindowW(L"__winex11_standalone_tray", nullptr);
    return hTray != nullptr ? FindWindowExW(hTray, nullptr, L"__winex11_tray_icon", nullptr) : nullptr;
}

std::wstring ControlText(HWND hWnd, int nId)
{
    HWND hControl = GetDlgItem(hWnd, nId);
    if (hControl == nullptr)
        return L"<no control>";
    wchar_t text[1024] = {};
    // WM_GETTEXT is marshalled across processes for the system's controls.
    SendMessageTimeoutW(hControl, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, nullptr);
    return text;
}

bool IsControlVisible(HWND hWnd, int nId)
{
    HWND hControl = GetDlgItem(hWnd, nId);
    return hControl != nullptr && (GetWindowLongW(hControl, GWL_STYLE) & WS_VISIBLE) != 0;
}

std::string DescribeRun(const CNotifierRun& run)
{
    std::string text = run.HasExited() ? "the program has ended; its log:" : "the program runs; its log:";
    for (const std::wstring& line : run.Lines())
        text += "\n  " + Narrow(line);
    return text;
}

#include "framework/WinApp.h"

#include <cwchar>

#include "app/ResourceModule.h"
#include "app/SysWrappers.h"

namespace {
// Registry key names are at most 255 characters.
constexpr DWORD kMaxKeyNameChars = 256;

CWinApp* s_pApp = nullptr;
}  // namespace

CWinApp* AfxGetApp()
{
    return s_pApp;
}

int AfxWinMain(const wchar_t* pszCmdLine)
{
    CWinApp* pApp = AfxGetApp();
    if (!pApp)
        return -1;
    pApp->m_lpCmdLine = pszCmdLine ? pszCmdLine : L"";
    return pApp->Run();
}

CWinApp::CWinApp(const wchar_t* pszAppName)
{
    if (pszAppName) {
        m_strAppName = pszAppName;
        m_bAppNameKnown = true;
    }
    if (!s_pApp)
        s_pApp = this;
}

CWinApp::~CWinApp()
{
    if (s_pApp == this)
        s_pApp = nullptr;
}

bool CWinApp::InitInstance()
{
    return true;
}

int CWinApp::Run()
{
    m_nThreadID = GetCurrentThreadId();
    if (!InitInstance())
        return ExitInstance();
    if (!m_pMainWnd)
        PostQuitMessage(0);
    return CWinThread::Run();
}

int CWinApp::ExitInstance()
{
    return CWinThread::ExitInstance();
}

LRESULT CWinApp::ProcessWndProcException(const CException*, const MSG& msg)
{
    return msg.message == WM_CREATE ? -1 : 0;
}

LONG CWinApp::DelRegTree(HKEY hParentKey, const wchar_t* pszKeyName)
{
    if (!pszKeyName || !pszKeyName[0])
        return ERROR_INVALID_PARAMETER;
    XRegKey key;
    LONG nResult = RegOpenKeyExW(hParentKey, pszKeyName, 0, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE, key.Put());
    if (nResult != ERROR_SUCCESS)
        return nResult;
    // Always the first subkey: each one is gone before the next is asked for. A subkey that
    // cannot be deleted ends the walk, or it would be found again and again.
    for (;;) {
        wchar_t szSubKey[kMaxKeyNameChars];
        DWORD nChars = kMaxKeyNameChars;
        nResult = RegEnumKeyExW(key.Get(), 0, szSubKey, &nChars, nullptr, nullptr, nullptr, nullptr);
        if (nResult == ERROR_NO_MORE_ITEMS)
            break;
        if (nResult == ERROR_SUCCESS)
            nResult = DelRegTree(key.Get(), szSubKey);
        if (nResult != ERROR_SUCCESS)
            return nResult;
    }
    key.Reset();
    return RegDeleteKeyW(hParentKey, pszKeyName);
}

const std::wstring& CWinApp::GetAppName()
{
    if (!m_bAppNameKnown) {
        // Always from the program's own module: the name is part of the settings path
        // and must not change with the language library.
        const wchar_t* pText = nullptr;
        const int nChars = LoadStringW(AfxGetInstanceHandle(), AFX_IDS_APP_TITLE, reinterpret_cast<LPWSTR>(&pText), 0);
        if (nChars > 0 && pText)
            m_strAppName.assign(pText, static_cast<size_t>(nChars));
        m_bAppNameKnown = true;
    }
    return m_strAppName;
}

void CWinApp::SetRegistryKey(const wchar_t* pszRegistryKey)
{
    m_strRegistryKey = pszRegistryKey ? pszRegistryKey : L"";
}

XRegKey CWinApp::OpenSectionKey(const wchar_t* pszSection)
{
    XRegKey key;
    if (m_strRegistryKey.empty() || !pszSection || GetAppName().empty())
        return key;
    const std::wstring strPath = L"Software\\" + m_strRegistryKey + L"\\" + m_strAppName + L"\\" + pszSection;
    const LSTATUS nResult = RegCreateKeyExW(HKEY_CURRENT_USER, strPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                            KEY_READ | KEY_WRITE, nullptr, key.Put(), nullptr);
    if (nResult != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(nResult));
        key.Detach();
    }
    return key;
}

std::wstring CWinApp::GetProfileString(const wchar_t* pszSection, const wchar_t* pszEntry, const wchar_t* pszDefault)
{
    std::wstring strValue(pszDefault ? pszDefault : L"");
    const XRegKey key = OpenSectionKey(pszSection);
    if (!key)
        return strValue;
    XBuffer<wchar_t> text;
    if (pszEntry && XRegQueryString(key.Get(), pszEntry, text.Put(), false) == ERROR_SUCCESS)
        strValue = text.Get();
    return strValue;
}

bool CWinApp::WriteProfileString(const wchar_t* pszSection, const wchar_t* pszEntry, const wchar_t* pszValue)
{
    if (!pszEntry || !pszValue)
        return false;
    XRegKey key = OpenSectionKey(pszSection);
    if (!key)
        return false;
    const size_t nBytes = (wcslen(pszValue) + 1) * sizeof(wchar_t);
    const LSTATUS nResult = RegSetValueExW(key.Get(), pszEntry, 0, REG_SZ, reinterpret_cast<const BYTE*>(pszValue),
                                           static_cast<DWORD>(nBytes));
    key.Reset();
    SetLastError(static_cast<DWORD>(nResult));
    return nResult == ERROR_SUCCESS;
}

// The application object's base: the user-interface thread's start and message loop, the
// application name and the per-user profile store in the registry,
// HKEY_CURRENT_USER\Software\<registry key>\<application name>\<section>.
// The program has exactly one, a global object; the first one made is AfxGetApp(). Only
// what the program uses is here.
//
// Start (AfxWinMain, from wWinMain): m_lpCmdLine is set, then Run():
//     InitInstance() false -> the result of ExitInstance(), nothing else runs;
//     true -> the message loop (CWinThread::Run) until WM_QUIT, then ExitInstance().
// The loop ends when the main window (m_pMainWnd) is destroyed: its WM_NCDESTROY posts
// WM_QUIT with 0, which ExitInstance returns by default. A true InitInstance without a main
// window ends the loop at once.
#pragma once
#include <windows.h>

#include <string>

#include "app/SysWrappers.h"
#include "framework/WinThread.h"

class CException;

// <windows.h> maps these names to its own profile functions; here they are our methods.
#ifdef GetProfileString
#undef GetProfileString
#endif
#ifdef WriteProfileString
#undef WriteProfileString
#endif

class CWinApp : public CWinThread {
public:
    // Null name: the application title, string 57344 of the program's own module, read on
    // first use of the name.
    explicit CWinApp(const wchar_t* pszAppName = nullptr);
    ~CWinApp() override;

    // The base returns true.
    bool InitInstance() override;
    // InitInstance, then the loop or not (above); the process's exit code.
    int Run() override;
    // The base returns the WM_QUIT's wParam: the framework's default exit code (0 when the
    // loop never ran).
    int ExitInstance() override;

    // Result of a message whose handler let an exception out (pException null when it was
    // not one of the framework's): -1 for WM_CREATE (the window is not made), else 0.
    // Nothing is shown.
    virtual LRESULT ProcessWndProcException(const CException* pException, const MSG& msg);

    // Deletes hParentKey\pszKeyName with all its subkeys and values, subkeys first, depth
    // first. The registry's error code: 0, ERROR_FILE_NOT_FOUND (2) when the key is missing,
    // ERROR_INVALID_PARAMETER for a missing or empty name (never the parent itself).
    static LONG DelRegTree(HKEY hParentKey, const wchar_t* pszKeyName);

    // Roots the profile at Software\<pszRegistryKey>\<application name>. Until it is set
    // there is no profile: reads give their default and writes fail.
    void SetRegistryKey(const wchar_t* pszRegistryKey);

    const std::wstring& GetAppName();

    // The value's text (REG_SZ; REG_EXPAND_SZ as stored), or pszDefault when the profile,
    // the section or the value is missing or the value is not a string. Opening the
    // section creates its key path, as the first read of a fresh profile should.
    std::wstring GetProfileString(const wchar_t* pszSection, const wchar_t* pszEntry, const wchar_t* pszDefault);
    // Stores pszValue as REG_SZ; true on success.
    bool WriteProfileString(const wchar_t* pszSection, const wchar_t* pszEntry, const wchar_t* pszValue);

    // The command line after the program's path, as wWinMain received it; never null.
    const wchar_t* m_lpCmdLine = L"";

private:
    // The section's key, created if missing, opened for reading and writing; none on failure.
    XRegKey OpenSectionKey(const wchar_t* pszSection);

    std::wstring m_strAppName;
    bool m_bAppNameKnown = false;
    std::wstring m_strRegistryKey;
};

// The application object, or null before it is made.
CWinApp* AfxGetApp();

// Runs the application object (Run) with pszCmdLine as m_lpCmdLine; the process's exit
// code. Called by wWinMain. -1 when there is no application object.
int AfxWinMain(const wchar_t* pszCmdLine);

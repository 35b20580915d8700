// The application object's base: the application name and the per-user profile store
// in the registry, HKEY_CURRENT_USER\Software\<registry key>\<application name>\<section>.
// The application object derives from it; only what the program uses is here.
#pragma once
#include <windows.h>

#include <string>

// <windows.h> maps these names to its own profile functions; here they are our methods.
#ifdef GetProfileString
#undef GetProfileString
#endif
#ifdef WriteProfileString
#undef WriteProfileString
#endif

class CWinApp
{
public:
    // Null name: the application title, string 57344 of the program's own module, read on
    // first use of the name.
    explicit CWinApp(const wchar_t* pszAppName = nullptr);
    virtual ~CWinApp() = default;
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Roots the profile at Software\<pszRegistryKey>\<application name>. Until it is set
    // there is no profile: reads give their default and writes fail.
    void SetRegistryKey(const wchar_t* pszRegistryKey);

    const std::wstring& GetAppName();
    const std::wstring& GetRegistryKey() const { return m_strRegistryKey; }

    // The value's text (REG_SZ; REG_EXPAND_SZ as stored), or pszDefault when the profile,
    // the section or the value is missing or the value is not a string. Opening the
    // section creates its key path, as the first read of a fresh profile should.
    std::wstring GetProfileString(const wchar_t* pszSection, const wchar_t* pszEntry, const wchar_t* pszDefault);
    // Stores pszValue as REG_SZ; true on success.
    bool WriteProfileString(const wchar_t* pszSection, const wchar_t* pszEntry, const wchar_t* pszValue);

private:
    // The section's key, created if missing, opened for reading and writing; null on failure.
    HKEY OpenSectionKey(const wchar_t* pszSection);

    std::wstring m_strAppName;
    bool m_bAppNameKnown = false;
    std::wstring m_strRegistryKey;
};

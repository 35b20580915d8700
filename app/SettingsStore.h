// Where the settings live: a per-application profile of named sections holding text
// values. On Windows the framework's registry profile; in tests a map.
#pragma once
#include <string>

// <windows.h> maps these names to its own profile functions; here they are our methods.
#ifdef GetProfileString
#undef GetProfileString
#endif
#ifdef WriteProfileString
#undef WriteProfileString
#endif

class ISettingsStore {
public:
    virtual ~ISettingsStore() = default;
    // The stored text of the value, or pszDefault when it is missing or unreadable.
    virtual std::wstring GetProfileString(const wchar_t* pszSection, const wchar_t* pszEntry,
                                          const wchar_t* pszDefault) = 0;
    // Stores the text; true on success.
    virtual bool WriteProfileString(const wchar_t* pszSection, const wchar_t* pszEntry, const wchar_t* pszValue) = 0;
};

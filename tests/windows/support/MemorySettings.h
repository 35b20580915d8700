// Settings of a test process as start-up would read them, from a store in memory: the router
// on a loopback address, the program's own version.
#pragma once
#include <map>
#include <string>

#include "app/SettingsStore.h"
#include "app/VersionSource.h"

class CMemoryStore : public ISettingsStore {
public:
    explicit CMemoryStore(const std::wstring& strRouterAddress = L"127.0.0.1:1")
        : m_values{{L"Common\\RouterAddress", strRouterAddress}}
    {
    }
    std::wstring GetProfileString(const wchar_t* pszSection, const wchar_t* pszEntry,
                                  const wchar_t* pszDefault) override
    {
        auto it = m_values.find(Key(pszSection, pszEntry));
        if (it != m_values.end())
            return it->second;
        return pszDefault != nullptr ? pszDefault : L"";
    }
    bool WriteProfileString(const wchar_t* pszSection, const wchar_t* pszEntry, const wchar_t* pszValue) override
    {
        m_values[Key(pszSection, pszEntry)] = pszValue != nullptr ? pszValue : L"";
        return true;
    }

private:
    static std::wstring Key(const wchar_t* pszSection, const wchar_t* pszEntry)
    {
        return std::wstring(pszSection) + L"\\" + pszEntry;
    }
    std::map<std::wstring, std::wstring> m_values;
};

class CFixedVersion : public IVersionSource {
public:
    bool GetProductVersion(CProductVersion& version) override
    {
        version = {1, 0, 0, 91};
        return true;
    }
};

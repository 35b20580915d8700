// The settings store of the Windows program: the application object's registry profile.
#pragma once
#include "app/SettingsStore.h"

class CWinApp;

class CProfileSettingsStore : public ISettingsStore {
public:
    // The application object outlives the store.
    explicit CProfileSettingsStore(CWinApp& app) : m_app(app) {}

    std::wstring GetProfileString(const wchar_t* pszSection, const wchar_t* pszEntry,
                                  const wchar_t* pszDefault) override;
    bool WriteProfileString(const wchar_t* pszSection, const wchar_t* pszEntry, const wchar_t* pszValue) override;

private:
    CWinApp& m_app;
};

#include "app/ProfileSettingsStore.h"

#include "framework/WinApp.h"

std::wstring CProfileSettingsStore::GetProfileString(const wchar_t* pszSection, const wchar_t* pszEntry,
                                                     const wchar_t* pszDefault)
{
    return m_app.GetProfileString(pszSection, pszEntry, pszDefault);
}

bool CProfileSettingsStore::WriteProfileString(const wchar_t* pszSection, const wchar_t* pszEntry,
                                               const wchar_t* pszValue)
{
    return m_app.WriteProfileString(pszSection, pszEntry, pszValue);
}

#include "app/Settings.h"

#include <cerrno>
#include <cstdio>
#include <cwchar>
#include <limits>
#include <new>

#include "app/Log.h"
#include "app/SettingsStore.h"
#include "app/VersionSource.h"

namespace {

ISettingsStore* s_pStore = nullptr;
IVersionSource* s_pVersion = nullptr;

const wchar_t kSection[] = L"Common";
const wchar_t kRouterAddress[] = L"RouterAddress";
const wchar_t kLastReceivedSmsId[] = L"LastReceivedSmsId";
const wchar_t kLastMissedCallId[] = L"LastMissedCallId";
const wchar_t kIpAddressMark[] = L"%IpAddress%";

// Signed decimal in the manner of wcstol with a 32-bit long: leading white space skipped,
// stops at the first non-digit, 0 without digits, clamped to the 32-bit range. wcstoll
// clamps at 64 bits (natively long is 64 bits too), so clamp once more.
int32_t ParseInt32(const wchar_t* pszText)
{
    const long long nValue = std::wcstoll(pszText, nullptr, 10);
    if (nValue > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    if (nValue < std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(nValue);
}

std::wstring FromTemplate(const wchar_t* pszTemplate, const std::wstring& strIpAddress)
{
    std::wstring text(pszTemplate);
    const size_t nMark = sizeof(kIpAddressMark) / sizeof(wchar_t) - 1;
    for (size_t nAt = text.find(kIpAddressMark); nAt != std::wstring::npos;
         nAt = text.find(kIpAddressMark, nAt + strIpAddress.size()))
        text.replace(nAt, nMark, strIpAddress);
    return text;
}

bool WriteId(const wchar_t* pszEntry, int32_t nId)
{
    wchar_t szText[21];
    std::swprintf(szText, sizeof(szText) / sizeof(szText[0]), L"%d", static_cast<int>(nId));
    return s_pStore && s_pStore->WriteProfileString(kSection, pszEntry, szText);
}

}  // namespace

void CSettings::SetStore(ISettingsStore* pStore, IVersionSource* pVersion)
{
    s_pStore = pStore;
    s_pVersion = pVersion;
}

CSettings& CSettings::GetInstance()
{
    static CSettings s_settings;
    static const bool s_bInitialised = (s_settings.m_bValid = s_settings.Init(), true);
    (void)s_bInitialised;
    return s_settings;
}

bool CSettings::Init()
{
    try {
        if (!s_pStore) {
            XLog(2, L"CSettings::Init, getting address: NOK.");
            return false;
        }
        const std::wstring strAddress = s_pStore->GetProfileString(kSection, kRouterAddress, L"192.168.1.1:1337");
        const size_t nColon = strAddress.find(L':');
        if (strAddress.empty() || nColon == std::wstring::npos) {
            XLog(2, L"CSettings::Init, getting address: NOK.");
            return false;
        }
        m_strIpAddress = strAddress.substr(0, nColon);
        m_nPort = ParseInt32(strAddress.c_str() + nColon + 1);

        m_strSmsInboxUrl = FromTemplate(kSmsInboxUrlTemplate, m_strIpAddress);
        m_strMissedCallsUrl = FromTemplate(kMissedCallsUrlTemplate, m_strIpAddress);
        m_strOverviewUrl = FromTemplate(kOverviewUrlTemplate, m_strIpAddress);
        m_strUpgradeUrl = FromTemplate(kUpgradeUrlTemplate, m_strIpAddress);

        m_nLastReceivedSmsId = ParseInt32(s_pStore->GetProfileString(kSection, kLastReceivedSmsId, L"0").c_str());
        m_nLastMissedCallId = ParseInt32(s_pStore->GetProfileString(kSection, kLastMissedCallId, L"0").c_str());

        CProductVersion version{};
        if (s_pVersion && s_pVersion->GetProductVersion(version)) {
            wchar_t szVersion[32];
            std::swprintf(szVersion, sizeof(szVersion) / sizeof(szVersion[0]), L"%d.%d.%d.%d", version[0], version[1],
                          version[2], version[3]);
            m_strVersion = szVersion;
        } else {
            XLog(2, L"Unable to get the version.");
            m_strVersion = L"-";
        }

        m_nLiveUpdateStatus = 1;
        return true;
    } catch (const std::bad_alloc&) {
        XLog(2, L"Initialization failed.");
        return false;
    }
}

bool CSettings::SetLastReceivedSmsId(int32_t nId)
{
    m_nLastReceivedSmsId = nId;
    return WriteId(kLastReceivedSmsId, nId);
}

bool CSettings::SetLastMissedCallId(int32_t nId)
{
    m_nLastMissedCallId = nId;
    return WriteId(kLastMissedCallId, nId);
}

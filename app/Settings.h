// The configuration the rest of the program reads: router address and port, the router's
// web pages, the last reported SMS and missed-call ids, the own version, and the state of
// a pending notifier update. Read once from the settings store; only the two ids are
// written back.
#pragma once
#include <cstdint>
#include <string>

class ISettingsStore;
class IVersionSource;

class CSettings {
public:
    // Before Init: empty strings, zero numbers.
    CSettings() = default;
    virtual ~CSettings() = default;
    CSettings(const CSettings&) = delete;
    CSettings& operator=(const CSettings&) = delete;

    // Installs where Init and the setters read and write. Start-up calls it before the
    // first GetInstance; the objects must outlive every use. Null uninstalls: Init then
    // fails as for a missing router address, the setters fail, and the version is "-".
    static void SetStore(ISettingsStore* pStore, IVersionSource* pVersion);

    // The one settings object; the first call makes it and runs Init into m_bValid.
    static CSettings& GetInstance();

    // Reads the router address, the web pages, the last-seen ids and the version.
    bool Init();

    // Store the id and write its decimal text back; the store's result.
    bool SetLastReceivedSmsId(int32_t nId);
    bool SetLastMissedCallId(int32_t nId);

    bool m_bValid = false;
    std::wstring m_strIpAddress;
    int32_t m_nPort = 0;
    std::wstring m_strSmsInboxUrl;
    std::wstring m_strMissedCallsUrl;
    std::wstring m_strOverviewUrl;
    std::wstring m_strUpgradeUrl;
    int32_t m_nLastReceivedSmsId = 0;
    int32_t m_nLastMissedCallId = 0;
    std::wstring m_strVersion;
    int32_t m_nLiveUpdateStatus = 0;
    std::wstring m_strNotifierVersion;
    std::wstring m_strNotifierUrl;
};

// The router's web pages; "%IpAddress%" stands for the router address. The escapes are
// what the router's web interface expects and stay as they are.
inline constexpr wchar_t kSmsInboxUrlTemplate[] =
    L"http://%IpAddress%/index.cgi?active%5fpage=page%5fsms%5finbox&prev%5fpage=page%5fsms%5finbox"
    L"&req%5fmode=0&mimic%5fbutton%5ffield=btn%5ftab%5fgoto%3a+page%5fsms%5finbox%2e%2e"
    L"&strip%5fpage%5ftop=0&button%5fvalue=page%5fsms%5finbox";
inline constexpr wchar_t kMissedCallsUrlTemplate[] =
    L"http://%IpAddress%/index.cgi?active%5fpage=page%5ftel%5fmissed%5fcalls&prev%5fpage=page%5fsms%5fcreate"
    L"&req%5fmode=0&mimic%5fbutton%5ffield=submit%5fbutton%5fbtn%5ftab%5fgoto%3a+page%5ftel%5fmissed%5fcalls%2e%2e"
    L"&strip%5fpage%5ftop=0&button%5fvalue=page%5ftel%5fmissed%5fcalls";
inline constexpr wchar_t kOverviewUrlTemplate[] =
    L"http://%IpAddress%/index.cgi?active%5fpage=page%5fhome&prev%5fpage=page%5fsms%5finbox"
    L"&req%5fmode=0&mimic%5fbutton%5ffield=submit%5fbutton%5fbtn%5ftab%5fgoto%3a+page%5fhome%2e%2e"
    L"&strip%5fpage%5ftop=0&button%5fvalue=page%5fhome";
inline constexpr wchar_t kUpgradeUrlTemplate[] = L"http://%IpAddress%/index.cgi?active_page=page_wan_upgrade";

#include <gmock/gmock.h>

#include <cwchar>
#include <map>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/Log.h"
#include "app/Settings.h"
#include "app/SettingsStore.h"
#include "app/VersionSource.h"

namespace {

using testing::ElementsAre;
using testing::IsEmpty;

std::vector<std::wstring> s_settingsLog;
void CaptureSettingsLog(const wchar_t* pszLine)
{
    s_settingsLog.emplace_back(pszLine);
}

// The profile as a map of "Section\Entry" to text; counts reads and can fail writes.
class CFakeStore : public ISettingsStore {
public:
    std::wstring GetProfileString(const wchar_t* pszSection, const wchar_t* pszEntry,
                                  const wchar_t* pszDefault) override
    {
        if (m_bThrowOnRead)
            throw std::bad_alloc();
        ++m_nReads;
        const auto it = m_values.find(Key(pszSection, pszEntry));
        return it == m_values.end() ? std::wstring(pszDefault) : it->second;
    }
    bool WriteProfileString(const wchar_t* pszSection, const wchar_t* pszEntry, const wchar_t* pszValue) override
    {
        if (!m_bWritable)
            return false;
        m_values[Key(pszSection, pszEntry)] = pszValue;
        return true;
    }
    static std::wstring Key(const wchar_t* pszSection, const wchar_t* pszEntry)
    {
        return std::wstring(pszSection) + L"\\" + pszEntry;
    }

    std::map<std::wstring, std::wstring> m_values;
    bool m_bWritable = true;
    bool m_bThrowOnRead = false;
    int m_nReads = 0;
};

class CFakeVersion : public IVersionSource {
public:
    bool GetProductVersion(CProductVersion& version) override
    {
        if (!m_version)
            return false;
        version = *m_version;
        return true;
    }
    std::optional<CProductVersion> m_version = CProductVersion{1, 0, 0, 91};
};

class SettingsTest : public testing::Test {
protected:
    void SetUp() override
    {
        s_settingsLog.clear();
        m_pfnPrevious = XLogSetSink(&CaptureSettingsLog);
        XLogSetLevel(0);
        CSettings::SetStore(&m_store, &m_version);
    }
    void TearDown() override
    {
        CSettings::SetStore(nullptr, nullptr);
        XLogSetSink(m_pfnPrevious);
    }
    void SetCommon(const wchar_t* pszEntry, const wchar_t* pszValue)
    {
        m_store.m_values[CFakeStore::Key(L"Common", pszEntry)] = pszValue;
    }

    CFakeStore m_store;
    CFakeVersion m_version;

private:
    XLogSinkFn m_pfnPrevious = nullptr;
};

constexpr size_t Length(const wchar_t* psz)
{
    size_t n = 0;
    while (psz[n])
        ++n;
    return n;
}

TEST(SettingsTemplates, HaveTheirExactLengthsAndOneAddressMarkEach)
{
    EXPECT_EQ(Length(kSmsInboxUrlTemplate), 228u);
    EXPECT_EQ(Length(kMissedCallsUrlTemplate), 274u);
    EXPECT_EQ(Length(kOverviewUrlTemplate), 225u);
    EXPECT_EQ(Length(kUpgradeUrlTemplate), 57u);
    for (const wchar_t* psz :
         {kSmsInboxUrlTemplate, kMissedCallsUrlTemplate, kOverviewUrlTemplate, kUpgradeUrlTemplate}) {
        const std::wstring text(psz);
        EXPECT_EQ(text.find(L"http://%IpAddress%/index.cgi?"), 0u);
        EXPECT_EQ(text.find(L"%IpAddress%", 8), std::wstring::npos);
    }
}

TEST_F(SettingsTest, RouterAddressIsSplitAtTheFirstColonAndThePortReadLikeWcstol)
{
    struct Row {
        const char* name;
        const wchar_t* pszStored;  // null: no value
        bool bValid;
        const wchar_t* pszAddress;
        int32_t nPort;
    };
    const Row rows[] = {
        {"absent: the default", nullptr, true, L"192.168.1.1", 1337},
        {"address and port", L"10.0.0.138:1337", true, L"10.0.0.138", 1337},
        {"no colon", L"192.168.1.1", false, L"", 0},
        {"empty", L"", false, L"", 0},
        {"empty address", L":1337", true, L"", 1337},
        {"port text without leading digits", L"a:b:c", true, L"a", 0},
        {"colon without port", L"192.168.1.1:", true, L"192.168.1.1", 0},
        {"leading blanks skipped, digits up to the first other", L"h: \t42x7", true, L"h", 42},
        {"negative port is taken as is", L"h:-80", true, L"h", -80},
        {"huge port clamped", L"h:99999999999999999999", true, L"h", 2147483647},
        {"huge negative port clamped", L"h:-4294967296", true, L"h", -2147483647 - 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        s_settingsLog.clear();
        m_store.m_values.clear();
        if (row.pszStored)
            SetCommon(L"RouterAddress", row.pszStored);

        CSettings settings;
        ASSERT_EQ(settings.Init(), row.bValid);
        EXPECT_EQ(settings.m_strIpAddress, row.pszAddress);
        EXPECT_EQ(settings.m_nPort, row.nPort);
        if (row.bValid) {
            const std::wstring strPrefix = L"http://" + std::wstring(row.pszAddress) + L"/index.cgi?";
            for (const std::wstring* pUrl : {&settings.m_strSmsInboxUrl, &settings.m_strMissedCallsUrl,
                                             &settings.m_strOverviewUrl, &settings.m_strUpgradeUrl})
                EXPECT_EQ(pUrl->rfind(strPrefix, 0), 0u) << *pUrl;
            EXPECT_EQ(settings.m_strUpgradeUrl, strPrefix + L"active_page=page_wan_upgrade");
            EXPECT_EQ(settings.m_strSmsInboxUrl.size(), 228u - 11 + wcslen(row.pszAddress));
            EXPECT_EQ(settings.m_nLiveUpdateStatus, 1);
            EXPECT_THAT(s_settingsLog, IsEmpty());
        } else {
            // Nothing past the address is read or set.
            EXPECT_EQ(m_store.m_nReads, 1);
            EXPECT_THAT(s_settingsLog, ElementsAre(L"CSettings::Init, getting address: NOK.\n"));
            EXPECT_TRUE(settings.m_strUpgradeUrl.empty());
            EXPECT_TRUE(settings.m_strVersion.empty());
            EXPECT_EQ(settings.m_nLiveUpdateStatus, 0);
        }
        m_store.m_nReads = 0;
    }
}

TEST_F(SettingsTest, StoredIdsReadAsClampedSignedNumbers)
{
    struct Row {
        const wchar_t* pszStored;  // null: no value
        int32_t nId;
    };
    const Row rows[] = {
        {nullptr, 0}, {L"17", 17},      {L"-5", -5}, {L"4294967295", 2147483647}, {L"-99999999999", -2147483647 - 1},
        {L"abc", 0},  {L"  12abc", 12},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "stored " << (row.pszStored ? "value" : "nothing") << ", id " << row.nId);
        m_store.m_values.clear();
        if (row.pszStored) {
            SetCommon(L"LastReceivedSmsId", row.pszStored);
            SetCommon(L"LastMissedCallId", row.pszStored);
        }
        CSettings settings;
        ASSERT_TRUE(settings.Init());
        EXPECT_EQ(settings.m_nLastReceivedSmsId, row.nId);
        EXPECT_EQ(settings.m_nLastMissedCallId, row.nId);
    }
}

TEST_F(SettingsTest, SettersWriteSignedDecimalTextThatReadsBack)
{
    for (int32_t nId : {-5, 2147483647, -2147483647 - 1, 0}) {
        SCOPED_TRACE(nId);
        CSettings settings;
        ASSERT_TRUE(settings.Init());
        EXPECT_TRUE(settings.SetLastReceivedSmsId(nId));
        EXPECT_TRUE(settings.SetLastMissedCallId(nId));
        EXPECT_EQ(settings.m_nLastReceivedSmsId, nId);
        EXPECT_EQ(settings.m_nLastMissedCallId, nId);
        const std::wstring strText = std::to_wstring(nId);
        EXPECT_EQ(m_store.m_values[CFakeStore::Key(L"Common", L"LastReceivedSmsId")], strText);
        EXPECT_EQ(m_store.m_values[CFakeStore::Key(L"Common", L"LastMissedCallId")], strText);

        CSettings reread;
        ASSERT_TRUE(reread.Init());
        EXPECT_EQ(reread.m_nLastReceivedSmsId, nId);
        EXPECT_EQ(reread.m_nLastMissedCallId, nId);
    }
}

TEST_F(SettingsTest, FailedWriteIsReportedAndTheFieldKeepsTheNewId)
{
    CSettings settings;
    ASSERT_TRUE(settings.Init());
    m_store.m_bWritable = false;
    EXPECT_FALSE(settings.SetLastReceivedSmsId(7));
    EXPECT_FALSE(settings.SetLastMissedCallId(8));
    EXPECT_EQ(settings.m_nLastReceivedSmsId, 7);
    EXPECT_EQ(settings.m_nLastMissedCallId, 8);
    EXPECT_TRUE(m_store.m_values.empty());
}

TEST_F(SettingsTest, VersionIsFormattedFromTheProductVersionOrIsADash)
{
    struct Row {
        std::optional<CProductVersion> version;
        const wchar_t* pszText;
        bool bLogged;
    };
    const Row rows[] = {
        {CProductVersion{1, 0, 0, 91}, L"1.0.0.91", false},
        {CProductVersion{65535, 2, 30, 0}, L"65535.2.30.0", false},
        {std::nullopt, L"-", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "expect " << testing::PrintToString(std::wstring(row.pszText)));
        s_settingsLog.clear();
        m_version.m_version = row.version;
        CSettings settings;
        EXPECT_TRUE(settings.Init());  // a missing version does not invalidate the settings
        EXPECT_EQ(settings.m_strVersion, row.pszText);
        if (row.bLogged)
            EXPECT_THAT(s_settingsLog, ElementsAre(L"Unable to get the version.\n"));
        else
            EXPECT_THAT(s_settingsLog, IsEmpty());
    }
}

TEST_F(SettingsTest, AllocationFailureMakesTheSettingsInvalid)
{
    m_store.m_bThrowOnRead = true;
    CSettings settings;
    EXPECT_FALSE(settings.Init());
    EXPECT_THAT(s_settingsLog, ElementsAre(L"Initialization failed.\n"));
}

TEST_F(SettingsTest, WithoutAStoreInitFailsAndSettersReportFailure)
{
    CSettings::SetStore(nullptr, nullptr);
    CSettings settings;
    EXPECT_FALSE(settings.Init());
    EXPECT_THAT(s_settingsLog, ElementsAre(L"CSettings::Init, getting address: NOK.\n"));
    EXPECT_FALSE(settings.SetLastReceivedSmsId(3));
    EXPECT_EQ(settings.m_nLastReceivedSmsId, 3);
}

// The one process-wide object: only this test may call GetInstance in this binary.
TEST_F(SettingsTest, GetInstanceReadsTheStoreOnceOnFirstUse)
{
    SetCommon(L"RouterAddress", L"10.0.0.138:1337");
    CSettings& settings = CSettings::GetInstance();
    EXPECT_TRUE(settings.m_bValid);
    EXPECT_EQ(settings.m_strIpAddress, L"10.0.0.138");
    const int nReads = m_store.m_nReads;

    SetCommon(L"RouterAddress", L"10.0.0.1:1");
    EXPECT_EQ(&CSettings::GetInstance(), &settings);
    EXPECT_EQ(settings.m_strIpAddress, L"10.0.0.138");
    EXPECT_EQ(m_store.m_nReads, nReads);
}

}  // namespace

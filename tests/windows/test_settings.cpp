// The registry profile store of the application object and the settings read through it,
// with the version of this binary's own version resource. The profile uses an application
// name of its own, so the program's real settings in this prefix are never touched.
#include <windows.h>

#include <gmock/gmock.h>

#include <cwchar>
#include <string>
#include <vector>

#include "app/FileVersionSource.h"
#include "app/ProfileSettingsStore.h"
#include "app/Settings.h"
#include "framework/WinApp.h"

namespace {

const wchar_t kTestAppName[] = L"Tessaro Notifier Test";
const wchar_t kAppKey[] = L"Software\\Vantrel\\Tessaro Notifier Test";
const wchar_t kCommonKey[] = L"Software\\Vantrel\\Tessaro Notifier Test\\Common";

bool KeyExists(const wchar_t* pszPath)
{
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, pszPath, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return false;
    RegCloseKey(hKey);
    return true;
}

struct StoredValue {
    DWORD nType = REG_NONE;
    std::vector<BYTE> data;
};

StoredValue ReadCommonValue(const wchar_t* pszName)
{
    StoredValue value;
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kCommonKey, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return value;
    DWORD nSize = 0;
    if (RegQueryValueExW(hKey, pszName, nullptr, &value.nType, nullptr, &nSize) == ERROR_SUCCESS) {
        value.data.resize(nSize);
        RegQueryValueExW(hKey, pszName, nullptr, &value.nType, value.data.data(), &nSize);
    }
    RegCloseKey(hKey);
    return value;
}

std::vector<BYTE> SzBytes(const wchar_t* psz)
{
    const BYTE* p = reinterpret_cast<const BYTE*>(psz);
    return std::vector<BYTE>(p, p + (wcslen(psz) + 1) * sizeof(wchar_t));
}

void WriteCommonValue(const wchar_t* pszName, DWORD nType, const std::vector<BYTE>& data)
{
    HKEY hKey = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kCommonKey, 0, nullptr, 0, KEY_WRITE, nullptr, &hKey, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExW(hKey, pszName, 0, nType, data.data(), static_cast<DWORD>(data.size())), ERROR_SUCCESS);
    RegCloseKey(hKey);
}

// Starts and ends every test without the test application's profile.
class ProfileTest : public testing::Test {
protected:
    void SetUp() override
    {
        RegDeleteTreeW(HKEY_CURRENT_USER, kAppKey);
        m_app.SetRegistryKey(L"Vantrel");
    }
    void TearDown() override
    {
        CSettings::SetStore(nullptr, nullptr);
        RegDeleteTreeW(HKEY_CURRENT_USER, kAppKey);
    }

    CWinApp m_app{kTestAppName};
};

TEST(WinAppName, IsTheApplicationTitleOfTheOwnModuleUnlessGiven)
{
    CWinApp app;
    EXPECT_EQ(app.GetAppName(), L"Tessaro Notifier");
    CWinApp named(L"Other");
    EXPECT_EQ(named.GetAppName(), L"Other");
}

TEST_F(ProfileTest, ReadingCreatesTheKeyPathAndGivesTheDefault)
{
    ASSERT_FALSE(KeyExists(kAppKey));
    EXPECT_EQ(m_app.GetProfileString(L"Common", L"RouterAddress", L"192.168.1.1:1337"), L"192.168.1.1:1337");
    EXPECT_TRUE(KeyExists(kCommonKey));
    // The default is not written back.
    EXPECT_EQ(ReadCommonValue(L"RouterAddress").nType, static_cast<DWORD>(REG_NONE));
}

TEST_F(ProfileTest, StoredValuesReadAsTextOnlyWhenTheyAreStrings)
{
    struct Row {
        const char* name;
        DWORD nType;
        std::vector<BYTE> data;
        const wchar_t* pszRead;
    };
    const DWORD nNumber = 1337;
    const BYTE* pNumber = reinterpret_cast<const BYTE*>(&nNumber);
    const Row rows[] = {
        {"text", REG_SZ, SzBytes(L"10.0.0.138:1337"), L"10.0.0.138:1337"},
        {"empty text is not the default", REG_SZ, SzBytes(L""), L""},
        {"stored without terminator", REG_SZ, {'a', 0, 'b', 0}, L"ab"},
        {"expandable text as stored", REG_EXPAND_SZ, SzBytes(L"%TEMP%:1"), L"%TEMP%:1"},
        {"number", REG_DWORD, std::vector<BYTE>(pNumber, pNumber + sizeof(nNumber)), L"dflt"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_NO_FATAL_FAILURE(WriteCommonValue(L"Value", row.nType, row.data));
        EXPECT_EQ(m_app.GetProfileString(L"Common", L"Value", L"dflt"), row.pszRead);
    }
}

TEST_F(ProfileTest, WrittenTextIsAStringValueThatReadsBack)
{
    EXPECT_TRUE(m_app.WriteProfileString(L"Common", L"LastReceivedSmsId", L"-5"));
    const StoredValue value = ReadCommonValue(L"LastReceivedSmsId");
    EXPECT_EQ(value.nType, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(value.data, SzBytes(L"-5"));
    EXPECT_EQ(m_app.GetProfileString(L"Common", L"LastReceivedSmsId", L"0"), L"-5");
}

TEST_F(ProfileTest, WithoutARegistryKeyThereIsNoProfile)
{
    CWinApp app(kTestAppName);
    EXPECT_EQ(app.GetProfileString(L"Common", L"RouterAddress", L"dflt"), L"dflt");
    EXPECT_FALSE(app.WriteProfileString(L"Common", L"RouterAddress", L"x:1"));
    EXPECT_FALSE(KeyExists(kAppKey));
}

TEST_F(ProfileTest, SettingsReadAndWriteThroughTheProfileWithTheProgramsVersion)
{
    ASSERT_NO_FATAL_FAILURE(WriteCommonValue(L"RouterAddress", REG_SZ, SzBytes(L"10.0.0.138:1337")));
    ASSERT_NO_FATAL_FAILURE(WriteCommonValue(L"LastMissedCallId", REG_SZ, SzBytes(L"4294967295")));
    CProfileSettingsStore store(m_app);
    CFileVersionSource version;
    CSettings::SetStore(&store, &version);

    CSettings settings;
    ASSERT_TRUE(settings.Init());
    EXPECT_EQ(settings.m_strIpAddress, L"10.0.0.138");
    EXPECT_EQ(settings.m_nPort, 1337);
    EXPECT_EQ(settings.m_nLastReceivedSmsId, 0);
    EXPECT_EQ(settings.m_nLastMissedCallId, 2147483647);
    EXPECT_EQ(settings.m_strVersion, L"1.0.0.91");  // the product version, not the file version 9.9.9.9
    EXPECT_EQ(settings.m_strUpgradeUrl, L"http://10.0.0.138/index.cgi?active_page=page_wan_upgrade");

    EXPECT_TRUE(settings.SetLastReceivedSmsId(-5));
    EXPECT_TRUE(settings.SetLastMissedCallId(2147483647));
    EXPECT_EQ(ReadCommonValue(L"LastReceivedSmsId").data, SzBytes(L"-5"));
    EXPECT_EQ(ReadCommonValue(L"LastMissedCallId").data, SzBytes(L"2147483647"));
}

}  // namespace

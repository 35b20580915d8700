// What a refresh shows for the router's state: the status group and the tray tooltip.
#include <gtest/gtest.h>

#include <string>

#include "status/DeviceStatus.h"
#include "status/StatusView.h"

namespace {

const wchar_t kNoConnection[] = L"No connection to the router";

struct ViewCase {
    const char* pszName;
    void (*pfnSetUp)(CDeviceStatus&);
    bool bLinkUp;
    const wchar_t* pszStatusLine;
    const wchar_t* pszTechnology;
    uint32_t nSignalIconId;
    const wchar_t* pszUsers;
    const wchar_t* pszTrayTip;
    uint32_t nTrayIconId;
};

const ViewCase kCases[] = {
    {"JustStarted", [](CDeviceStatus&) {}, false, L"", L"", 0, L"", kNoConnection, 154},
    {"LinkUpNothingKnown", [](CDeviceStatus& s) { s.m_bConnected = 1; }, true, L"-", L"-", 0, L"-", L"", 154},
    {"RegisteredHsdpaGoodSignal",
     [](CDeviceStatus& s) {
         s.m_bConnected = 1;
         StoreRegistrationState(s, 1, 3, 5, L"Provider");
         StoreSignalStrength(s, 3);
     },
     true, L"Registered to Provider", L"HSDPA", 132, L"-", L"Registered to Provider\nHSDPA\nGood signal", 151},
    {"DataConnectedBeforeRegistration",
     [](CDeviceStatus& s) {
         s.m_bConnected = 1;
         StoreConnectionState(s, 3);
     },
     true, L"Connected", L"-", 0, L"-", L"Connected", 154},
    {"OnlySignalKnown",
     [](CDeviceStatus& s) {
         s.m_bConnected = 1;
         StoreSignalStrength(s, 0);
     },
     true, L"-", L"-", 129, L"-", L"No signal", 148},
    {"ConnectingUsesTheConnectionText",
     [](CDeviceStatus& s) {
         s.m_bConnected = 1;
         StoreRegistrationState(s, 1, 3, 2, L"Provider");
         StoreConnectionState(s, 2);
         StoreConnectedUsersCount(s, 1, 2);
         StoreConnectedUsersCount(s, 2, 1);
     },
     true, L"Connecting...", L"GPRS", 0, L"Connected users: 3", L"Connecting...\nGPRS", 154},
    {"LinkLostKeepsNoTexts",
     [](CDeviceStatus& s) {
         s.m_bConnected = 1;
         StoreSignalStrength(s, 5);
         s.Reset();
     },
     false, L"", L"", 0, L"", kNoConnection, 154},
};

class StatusViewTest : public testing::TestWithParam<ViewCase> {};

TEST_P(StatusViewTest, ComposesGroupAndTray)
{
    const ViewCase& c = GetParam();
    CDeviceStatus status;
    c.pfnSetUp(status);
    const CStatusView view = ComposeStatusView(status, false, kNoConnection);
    EXPECT_EQ(view.bLinkUp, c.bLinkUp);
    EXPECT_EQ(view.strStatusLine, c.pszStatusLine);
    EXPECT_EQ(view.strTechnology, c.pszTechnology);
    EXPECT_EQ(view.nSignalIconId, c.nSignalIconId);
    EXPECT_EQ(view.strUsers, c.pszUsers);
    EXPECT_EQ(view.strTrayTip, c.pszTrayTip);
    EXPECT_EQ(view.nTrayIconId, c.nTrayIconId);
    EXPECT_EQ(ComposeStatusView(status, true, kNoConnection).nTrayIconId, c.nTrayIconId - 7);
}

INSTANTIATE_TEST_SUITE_P(Refresh, StatusViewTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<ViewCase>& info) { return info.param.pszName; });

}  // namespace

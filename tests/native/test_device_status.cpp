// CDeviceStatus: the texts and icon ids shown for the router's state, and what the four
// status operations store and log.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "app/Log.h"
#include "status/DeviceStatus.h"
#include "tests/native/LogCapture.h"

namespace {

class DeviceStatusLogTest : public ::testing::Test {
protected:
    CLogCapture m_log{0};
    CDeviceStatus m_status;
};

// What a record shows while nothing is known, fresh or after a link loss.
void ExpectNothingKnown(const CDeviceStatus& status)
{
    EXPECT_EQ(status.GetRegistrationText(), L"-");
    EXPECT_EQ(status.GetTechnologyText(), L"-");
    EXPECT_EQ(status.GetSignalText(), L"-");
    EXPECT_EQ(status.GetUsersText(), L"-");
    EXPECT_EQ(status.GetSignalIconId(), 0u);
    EXPECT_EQ(status.GetTrayIconId(false), 154u);
    EXPECT_EQ(status.GetTrayIconId(true), 147u);
}

TEST(DeviceStatus, FreshRecordShowsNothingKnown)
{
    CDeviceStatus status;
    EXPECT_EQ(status.m_bConnected, 0);
    EXPECT_EQ(status.m_nRegistrationCS, 1);
    EXPECT_EQ(status.m_nConnectionState, 1);
    EXPECT_TRUE(status.m_strOperator.empty());
    ExpectNothingKnown(status);
}

TEST(DeviceStatus, ResetRestoresLinkDownValuesButKeepsOperator)
{
    CDeviceStatus status;
    status.m_bConnected = 1;
    StoreRegistrationState(status, 3, 3, 5, L"Provider");
    StoreSignalStrength(status, 4);
    StoreConnectionState(status, 3);
    StoreConnectedUsersCount(status, 1, 2);
    StoreConnectedUsersCount(status, 2, 1);

    status.Reset();

    EXPECT_EQ(status.m_bConnected, 0);
    EXPECT_EQ(status.m_nRegistrationCS, 1);
    EXPECT_EQ(status.m_nRegistrationPS, 1);
    EXPECT_EQ(status.m_nConnectionState, 1);
    ExpectNothingKnown(status);
    // The old operator name is used again after reconnecting, until a new registration.
    EXPECT_EQ(status.m_strOperator, L" Provider");
    status.m_nRegistrationPS = 3;
    EXPECT_EQ(status.GetRegistrationText(), L"Registered to Provider");
}

enum class Operator { NotYet, Provider, EmptyName };

struct StateTextCase {
    int32_t nState;
    Operator op;
    const wchar_t* pszExpected;
};

void ApplyOperator(CDeviceStatus& status, Operator op)
{
    if (op == Operator::Provider)
        status.SetOperator(L"Provider");
    else if (op == Operator::EmptyName)
        status.SetOperator(L"");
}

class RegistrationTextTest : public ::testing::TestWithParam<StateTextCase> {};

TEST_P(RegistrationTextTest, ByPacketSwitchedState)
{
    CDeviceStatus status;
    ApplyOperator(status, GetParam().op);
    status.m_nRegistrationPS = GetParam().nState;
    EXPECT_EQ(status.GetRegistrationText(), GetParam().pszExpected);
}

INSTANTIATE_TEST_SUITE_P(DeviceStatus, RegistrationTextTest,
                         ::testing::Values(StateTextCase{2, Operator::Provider, L"Not registered"},
                                           StateTextCase{3, Operator::NotYet, L"Registered"},
                                           StateTextCase{3, Operator::Provider, L"Registered to Provider"},
                                           StateTextCase{3, Operator::EmptyName, L"Registered to "},
                                           StateTextCase{4, Operator::Provider, L"Searching..."},
                                           StateTextCase{5, Operator::Provider, L"Registration denied"},
                                           StateTextCase{7, Operator::NotYet, L"Roaming"},
                                           StateTextCase{7, Operator::Provider, L"Roaming to Provider"},
                                           StateTextCase{6, Operator::Provider, L"-"},
                                           StateTextCase{1, Operator::Provider, L"-"},
                                           StateTextCase{0, Operator::NotYet, L"-"},
                                           StateTextCase{255, Operator::NotYet, L"-"}));

class ConnectionTextTest : public ::testing::TestWithParam<StateTextCase> {};

TEST_P(ConnectionTextTest, ByConnectionState)
{
    CDeviceStatus status;
    ApplyOperator(status, GetParam().op);
    status.m_nConnectionState = GetParam().nState;
    EXPECT_EQ(status.GetConnectionText(), GetParam().pszExpected);
}

INSTANTIATE_TEST_SUITE_P(DeviceStatus, ConnectionTextTest,
                         ::testing::Values(StateTextCase{2, Operator::Provider, L"Connecting..."},
                                           StateTextCase{3, Operator::NotYet, L"Connected"},
                                           StateTextCase{3, Operator::Provider, L"Connected to Provider"},
                                           StateTextCase{3, Operator::EmptyName, L"Connected to "},
                                           StateTextCase{4, Operator::Provider, L"Disconnecting..."},
                                           StateTextCase{1, Operator::Provider, L"-"}));

struct TechnologyCase {
    int32_t nTechnology;
    const wchar_t* pszExpected;
};

class TechnologyTextTest : public ::testing::TestWithParam<TechnologyCase> {};

TEST_P(TechnologyTextTest, ByCode)
{
    CDeviceStatus status;
    status.m_nTechnology = GetParam().nTechnology;
    EXPECT_EQ(status.GetTechnologyText(), GetParam().pszExpected);
}

INSTANTIATE_TEST_SUITE_P(DeviceStatus, TechnologyTextTest,
                         ::testing::Values(TechnologyCase{-1, L"-"}, TechnologyCase{0, L"-"}, TechnologyCase{1, L"GSM"},
                                           TechnologyCase{2, L"GPRS"}, TechnologyCase{3, L"EDGE"},
                                           TechnologyCase{4, L"UMTS"}, TechnologyCase{5, L"HSDPA"},
                                           TechnologyCase{6, L"-"}, TechnologyCase{255, L"-"}));

struct SignalCase {
    int32_t bConnected;
    int32_t nLevel;
    const wchar_t* pszText;
    uint32_t nIconId;
    uint32_t nTrayId;
    uint32_t nTrayIdUnseen;
};

class SignalTest : public ::testing::TestWithParam<SignalCase> {};

TEST_P(SignalTest, TextAndIcons)
{
    const SignalCase& c = GetParam();
    CDeviceStatus status;
    status.m_bConnected = c.bConnected;
    status.m_nSignalStrength = c.nLevel;
    EXPECT_EQ(status.GetSignalText(), c.pszText);
    EXPECT_EQ(status.GetSignalIconId(), c.nIconId);
    EXPECT_EQ(status.GetTrayIconId(false), c.nTrayId);
    EXPECT_EQ(status.GetTrayIconId(true), c.nTrayIdUnseen);
}

INSTANTIATE_TEST_SUITE_P(DeviceStatus, SignalTest,
                         ::testing::Values(SignalCase{1, -1, L"-", 0, 154, 147},  // link up, no signal message yet
                                           SignalCase{1, 0, L"No signal", 129, 148, 141},
                                           SignalCase{1, 1, L"Very low signal", 130, 149, 142},
                                           SignalCase{1, 2, L"Low signal", 131, 150, 143},
                                           SignalCase{1, 3, L"Good signal", 132, 151, 144},
                                           SignalCase{1, 4, L"Very good signal", 133, 152, 145},
                                           SignalCase{1, 5, L"Excellent signal", 134, 153, 146},
                                           SignalCase{1, 6, L"Excellent signal", 134, 153, 146},
                                           SignalCase{1, 200, L"Excellent signal", 134, 153, 146},
                                           // Link down: the tray shows nothing, the window still shows the level.
                                           SignalCase{0, 3, L"Good signal", 132, 154, 147},
                                           SignalCase{0, -1, L"-", 0, 154, 147}));

struct UsersCase {
    int32_t nCount1;
    int32_t nCount2;
    const wchar_t* pszExpected;
};

class UsersTextTest : public ::testing::TestWithParam<UsersCase> {};

TEST_P(UsersTextTest, SumOfBothKinds)
{
    CDeviceStatus status;
    status.m_nUserCount1 = GetParam().nCount1;
    status.m_nUserCount2 = GetParam().nCount2;
    EXPECT_EQ(status.GetUsersText(), GetParam().pszExpected);
}

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

INSTANTIATE_TEST_SUITE_P(DeviceStatus, UsersTextTest,
                         ::testing::Values(UsersCase{-1, -1, L"-"}, UsersCase{2, -1, L"-"}, UsersCase{-1, 1, L"-"},
                                           UsersCase{0, 0, L"Connected users: 0"},
                                           UsersCase{65535, 65535, L"Connected users: 131070"},
                                           UsersCase{kMax, 0, L"Connected users: 2147483647"},
                                           // Beyond the 32-bit field the sum would wrap negative.
                                           UsersCase{kMax, 1, L"-"}, UsersCase{kMax, kMax, L"-"}));

TEST_F(DeviceStatusLogTest, UserCountsShowOnlyOnceBothKindsCame)
{
    StoreConnectedUsersCount(m_status, 1, 2);
    EXPECT_EQ(m_status.GetUsersText(), L"-");
    StoreConnectedUsersCount(m_status, 2, 1);
    EXPECT_EQ(m_status.GetUsersText(), L"Connected users: 3");
    EXPECT_TRUE(g_lines.empty()) << "detail lines leak through the default filter";
}

TEST_F(DeviceStatusLogTest, UnknownUserKindIsLoggedAndChangesNothing)
{
    m_status.SetUserCount(1, 2);
    m_status.SetUserCount(2, 1);
    m_status.SetUserCount(3, 7);
    m_status.SetUserCount(0, 7);
    EXPECT_EQ(m_status.m_nUserCount1, 2);
    EXPECT_EQ(m_status.m_nUserCount2, 1);
    EXPECT_EQ(g_lines, (std::vector<std::wstring>{L"CDeviceStatus::SetUserCount, unexpected type 3, ignored.",
                                                  L"CDeviceStatus::SetUserCount, unexpected type 0, ignored."}));
}

TEST_F(DeviceStatusLogTest, StoreOperationsLogTheirDetailAndStore)
{
    XLogSetLevel(1);
    StoreConnectionState(m_status, 0xAB);
    StoreSignalStrength(m_status, 200);
    StoreRegistrationState(m_status, 0x1F, 7, 5, L"Provider");
    StoreConnectedUsersCount(m_status, 3, 9);
    StoreRegistrationState(m_status, 1, 3, 2, L"");

    EXPECT_EQ(g_lines, (std::vector<std::wstring>{
                           L"CDlgMain::SetConnectionState: 0xAB",
                           L"CDlgMain::SetSignalStrength: 200",
                           L"CDlgMain::SetRegistrationState: CS=0x1F, PS=0x7, Technology=0x5, Operator=Provider",
                           L"CDlgMain::SetConnectedUsersCount: 3, 9",
                           L"CDeviceStatus::SetUserCount, unexpected type 3, ignored.",
                           L"CDlgMain::SetRegistrationState: CS=0x1, PS=0x3, Technology=0x2, Operator=",
                       }));
    EXPECT_EQ(m_status.m_nConnectionState, 0xAB);
    EXPECT_EQ(m_status.m_nSignalStrength, 200);
    EXPECT_EQ(m_status.m_nRegistrationCS, 1);
    EXPECT_EQ(m_status.m_nRegistrationPS, 3);
    EXPECT_EQ(m_status.m_nTechnology, 2);
    EXPECT_EQ(m_status.m_nUserCount1, -1);
    EXPECT_EQ(m_status.m_nUserCount2, -1);
    // An empty name replaces the old one with a single blank.
    EXPECT_EQ(m_status.m_strOperator, L" ");
    EXPECT_EQ(m_status.GetRegistrationText(), L"Registered to ");
}

}  // namespace

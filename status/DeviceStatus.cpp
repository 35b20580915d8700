#include "status/DeviceStatus.h"

#include <cstddef>
#include <iterator>
#include <limits>

#include "app/AppString.h"
#include "app/Log.h"
#include "resources/StringIds.h"
#include "resources/resource.h"

namespace {

// A state's text; where nIdWithOperator is set, a known operator picks it instead
// and the operator text (with its leading blank) follows it.
struct StateText {
    int32_t nState;
    uint32_t nId;
    uint32_t nIdWithOperator;
};

constexpr StateText s_registrationTexts[] = {
    {2, IDS_NOT_REGISTERED, 0},      {3, IDS_REGISTERED, IDS_REGISTERED_TO}, {4, IDS_SEARCHING, 0},
    {5, IDS_REGISTRATION_DENIED, 0}, {7, IDS_ROAMING, IDS_ROAMING_TO},
};

constexpr StateText s_connectionTexts[] = {
    {2, IDS_CONNECTING, 0},
    {3, IDS_CONNECTED, IDS_CONNECTED_TO},
    {4, IDS_DISCONNECTING, 0},
};

// Indexed by technology code minus 1: GSM, GPRS, EDGE, UMTS, HSDPA.
constexpr uint32_t s_technologyIds[] = {IDS_GSM, IDS_GPRS, IDS_EDGE, IDS_UMTS, IDS_HSDPA};

// Indexed by signal level 0 to 5: "No signal" up to "Excellent signal".
constexpr uint32_t s_signalTextIds[] = {IDS_NO_SIGNAL,   IDS_VERY_LOW_SIGNAL,  IDS_LOW_SIGNAL,
                                        IDS_GOOD_SIGNAL, IDS_VERY_GOOD_SIGNAL, IDS_EXCELLENT_SIGNAL};
constexpr int32_t kMaxSignalLevel = 5;
constexpr uint32_t kSignalIconLevel0 = IDI_SIGNAL_0;
constexpr uint32_t kTrayIconLevel0 = IDI_TRAY_0;
constexpr uint32_t kTrayIconNone = IDI_TRAY_NONE;
constexpr uint32_t kTrayIconUnseenOffset = 7;

// Levels above 5 show as 5; negative levels (not reported) stay negative.
int32_t ShownLevel(int32_t nLevel)
{
    return nLevel > kMaxSignalLevel ? kMaxSignalLevel : nLevel;
}

template <size_t N>
std::wstring StateTextOf(const StateText (&table)[N], int32_t nState, const std::wstring& strOperator)
{
    for (const StateText& row : table) {
        if (row.nState != nState)
            continue;
        if (row.nIdWithOperator != 0 && !strOperator.empty())
            return AppString(row.nIdWithOperator) + strOperator;
        return AppString(row.nId);
    }
    return AppString(IDS_UNKNOWN_VALUE);
}

}  // namespace

void CDeviceStatus::SetUserCount(int32_t nKind, int32_t nCount)
{
    if (nKind == 1)
        m_nUserCount1 = nCount;
    else if (nKind == 2)
        m_nUserCount2 = nCount;
    else
        XLog(2, L"CDeviceStatus::SetUserCount, unexpected type %d, ignored.", nKind);
}

void CDeviceStatus::SetOperator(const std::wstring& strName)
{
    m_strOperator.assign(1, L' ');
    m_strOperator += strName;
}

void CDeviceStatus::Reset()
{
    m_bConnected = 0;
    m_nRegistrationCS = 1;
    m_nRegistrationPS = 1;
    m_nTechnology = -1;
    m_nSignalStrength = -1;
    m_nUserCount1 = -1;
    m_nUserCount2 = -1;
    m_nConnectionState = 1;
}

std::wstring CDeviceStatus::GetRegistrationText() const
{
    return StateTextOf(s_registrationTexts, m_nRegistrationPS, m_strOperator);
}

std::wstring CDeviceStatus::GetConnectionText() const
{
    return StateTextOf(s_connectionTexts, m_nConnectionState, m_strOperator);
}

std::wstring CDeviceStatus::GetTechnologyText() const
{
    constexpr int32_t nCount = static_cast<int32_t>(std::size(s_technologyIds));
    if (m_nTechnology < 1 || m_nTechnology > nCount)
        return AppString(IDS_UNKNOWN_VALUE);
    return AppString(s_technologyIds[m_nTechnology - 1]);
}

std::wstring CDeviceStatus::GetSignalText() const
{
    if (m_nSignalStrength < 0)
        return AppString(IDS_UNKNOWN_VALUE);
    const int32_t nLevel = ShownLevel(m_nSignalStrength);
    return AppString(s_signalTextIds[nLevel]);
}

std::wstring CDeviceStatus::GetUsersText() const
{
    // Both kinds must have been reported. The counts are 32-bit fields, so a sum that no
    // longer fits them counts as negative, as it would wrap around; 64 bits keep it defined.
    const int64_t nSum = static_cast<int64_t>(m_nUserCount1) + m_nUserCount2;
    if (m_nUserCount1 < 0 || m_nUserCount2 < 0 || nSum > std::numeric_limits<int32_t>::max())
        return AppString(IDS_UNKNOWN_VALUE);
    return AppString(IDS_CONNECTED_USERS) + L" " + std::to_wstring(nSum);
}

uint32_t CDeviceStatus::GetSignalIconId() const
{
    if (m_nSignalStrength < 0)
        return 0;
    const int32_t nLevel = ShownLevel(m_nSignalStrength);
    return kSignalIconLevel0 + static_cast<uint32_t>(nLevel);
}

uint32_t CDeviceStatus::GetTrayIconId(bool bUnseenEvents) const
{
    uint32_t nId = kTrayIconNone;
    if (m_bConnected != 0 && m_nSignalStrength >= 0) {
        const int32_t nLevel = ShownLevel(m_nSignalStrength);
        nId = kTrayIconLevel0 + static_cast<uint32_t>(nLevel);
    }
    return bUnseenEvents ? nId - kTrayIconUnseenOffset : nId;
}

void StoreConnectionState(CDeviceStatus& status, int32_t nState)
{
    XLog(1, L"CDlgMain::SetConnectionState: 0x%X", nState);
    status.m_nConnectionState = nState;
}

void StoreSignalStrength(CDeviceStatus& status, int32_t nLevel)
{
    XLog(1, L"CDlgMain::SetSignalStrength: %d", nLevel);
    status.m_nSignalStrength = nLevel;
}

void StoreRegistrationState(CDeviceStatus& status, int32_t nCS, int32_t nPS, int32_t nTechnology,
                            const std::wstring& strOperator)
{
    XLog(1, L"CDlgMain::SetRegistrationState: CS=0x%X, PS=0x%X, Technology=0x%X, Operator=%s", nCS, nPS, nTechnology,
         strOperator.c_str());
    status.m_nRegistrationCS = nCS;
    status.m_nRegistrationPS = nPS;
    status.m_nTechnology = nTechnology;
    status.SetOperator(strOperator);
}

void StoreConnectedUsersCount(CDeviceStatus& status, int32_t nKind, int32_t nCount)
{
    XLog(1, L"CDlgMain::SetConnectedUsersCount: %d, %d", nKind, nCount);
    status.SetUserCount(nKind, nCount);
}

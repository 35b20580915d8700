// The router's state as last reported, and the texts and icon ids the status window,
// the tray icon and its tooltip show for it.
#pragma once
#include <cstdint>
#include <string>

// Plain record held by the main window; only the operator text owns memory.
class CDeviceStatus {
public:
    int32_t m_bConnected = 0;       // TCP link to the router is up
    int32_t m_nRegistrationCS = 1;  // stored and logged, never shown
    int32_t m_nRegistrationPS = 1;
    std::wstring m_strOperator;  // " " + name once a registration message came
    int32_t m_nTechnology = -1;
    int32_t m_nSignalStrength = -1;  // -1: not reported
    int32_t m_nUserCount1 = -1;      // -1: not reported
    int32_t m_nUserCount2 = -1;      // -1: not reported
    int32_t m_nConnectionState = 1;  // 1 disconnected, 2 connecting, 3 connected, 4 disconnecting

    // Kind 1 or 2 stores the count; any other kind is logged and ignored.
    void SetUserCount(int32_t nKind, int32_t nCount);
    // Keeps the name behind one blank, so an empty name leaves a single blank.
    void SetOperator(const std::wstring& strName);
    // Link-down values; the operator text survives so a reconnection shows it again.
    void Reset();

    std::wstring GetRegistrationText() const;
    // Meant for states 2, 3 and 4; any other state gives "-".
    std::wstring GetConnectionText() const;
    std::wstring GetTechnologyText() const;
    std::wstring GetSignalText() const;
    std::wstring GetUsersText() const;

    // Resource id of the signal icon (129 to 134), or 0 when the icon control is cleared.
    uint32_t GetSignalIconId() const;
    // Resource id of the tray icon; the attention variants are 7 lower.
    uint32_t GetTrayIconId(bool bUnseenEvents) const;
};

// What the main window's status operations store; each logs its detail line first.
// The caller refreshes the display afterwards, whatever was stored.
void StoreConnectionState(CDeviceStatus& status, int32_t nState);
void StoreSignalStrength(CDeviceStatus& status, int32_t nLevel);
void StoreRegistrationState(CDeviceStatus& status, int32_t nCS, int32_t nPS, int32_t nTechnology,
                            const std::wstring& strOperator);
void StoreConnectedUsersCount(CDeviceStatus& status, int32_t nKind, int32_t nCount);

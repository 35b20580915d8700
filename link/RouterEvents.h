// What the router link calls on its owner, the main window: one receiver per message type,
// the link state, and the one message box the link shows.
#pragma once
#include <cstdint>
#include <string>

class IRouterEvents {
public:
    virtual ~IRouterEvents() = default;

    // Type 1: the router's data connection.
    virtual void SetConnectionState(int32_t nState) = 0;
    // Type 2: the whole message; it is valid only during the call.
    virtual void ProcessReceivedSmsMessage(const uint8_t* pMessage, uint32_t nLength) = 0;
    // Type 3: the caller, "Withheld" in the current language when the router gives none.
    virtual void ReportCall(const std::wstring& strCaller) = 0;
    // Type 4: the whole message; it is valid only during the call.
    virtual void ProcessMissedCallMessage(const uint8_t* pMessage, uint32_t nLength) = 0;
    // Type 5.
    virtual void SetRegistrationState(int32_t nCS, int32_t nPS, int32_t nTechnology,
                                      const std::wstring& strOperator) = 0;
    // Type 6.
    virtual void SetSignalStrength(int32_t nLevel) = 0;
    // Type 7.
    virtual void SetConnectedUsersCount(int32_t nKind, int32_t nCount) = 0;
    // Type 9.
    virtual void ReportError(const std::wstring& strText) = 0;
    // Type 10.
    virtual void ReportSoftwareRequired(const std::wstring& strVersion, const std::wstring& strUrl) = 0;
    // Type 11, signed.
    virtual void ReportLiveUpdateStatus(int32_t nStatus) = 0;

    // The outcome of a connection attempt, or false when the link is lost.
    virtual void SetRouterConnected(bool bConnected) = 0;
    // Whether the link is up, as the last SetRouterConnected left it.
    virtual bool IsRouterConnected() const = 0;

    // Modal box with an OK button for a failed receive, shown after the link was reported
    // lost. It runs a message loop of its own, in which timer ticks connect again and the
    // new socket's events arrive before it returns.
    virtual void ShowReceiveErrorBox(const std::wstring& strText) = 0;
};

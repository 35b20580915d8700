// The portable half of CDlgMain::ConnectIfNeeded (status/DlgMain.cpp).
// The timer's part in keeping the router link up: the watchdog that drops a silent socket,
// and the creation and connection of a socket while the link is down.
#pragma once
#include <string>

class CSockClient;
class IRouterEvents;

// Seconds without a valid message after which a socket counts as silent.
constexpr long long kLinkWatchdogSeconds = 10;

// One timer tick. Whether the link is up is asked of events after the watchdog has had its
// say through events.SetRouterConnected.
void ConnectIfNeeded(CSockClient& client, const std::wstring& strAddress, int nPort, IRouterEvents& events);

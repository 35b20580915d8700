#include "link/LinkDriver.h"

#include <cstdint>

#include "app/Log.h"
#include "link/RouterEvents.h"
#include "link/SockClient.h"

void ConnectIfNeeded(CSockClient& client, const std::wstring& strAddress, int nPort, IRouterEvents& events)
{
    if (client.m_hSocket != kInvalidSocketHandle) {
        // A clock set back gives a negative age, which never counts as silent.
        const int64_t nAge = CSockClient::Now() - client.m_tLastMessage;
        if (nAge > kLinkWatchdogSeconds) {
            client.Close();
            events.SetRouterConnected(false);
        }
    }

    if (events.IsRouterConnected())
        return;

    if (client.m_hSocket == kInvalidSocketHandle && !client.Create(0, kSocketStream, kSocketAllEvents, nullptr)) {
        XLog(1, L"CDlgMain::ConnectIfNeeded, CSockClient::Create: NOK.");
        return;
    }

    // The socket stays open on failure: the watchdog replaces it once its stamp is old.
    if (!client.Connect(strAddress.c_str(), static_cast<unsigned>(nPort))) {
        const int nError = CAsyncSocket::GetLastSocketError();
        if (nError != kSocketWouldBlock)
            XLog(1, L"CDlgMain::ConnectIfNeeded, CSockClient::Connect(%s, %d): NOK, %d.", strAddress.c_str(), nPort,
                 nError);
    }
}

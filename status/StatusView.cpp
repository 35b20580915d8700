#include "status/StatusView.h"

#include "status/DeviceStatus.h"

namespace {

// The literal "-", not the translated string 2547: a translation of "unknown" still counts
// as known here, as the tooltip has always done.
bool IsKnown(const std::wstring& strText)
{
    return strText != L"-";
}

void AppendLine(std::wstring& strTip, const std::wstring& strLine)
{
    if (!strTip.empty())
        strTip += L'\n';
    strTip += strLine;
}

}  // namespace

CStatusView ComposeStatusView(const CDeviceStatus& status, bool bUnseenEvents, const std::wstring& strNoConnection)
{
    CStatusView view;
    view.bLinkUp = status.m_bConnected != 0;
    if (!view.bLinkUp) {
        view.strTrayTip = strNoConnection;
    } else {
        const int32_t nState = status.m_nConnectionState;
        view.strStatusLine = (nState >= 2 && nState <= 4) ? status.GetConnectionText() : status.GetRegistrationText();
        if (IsKnown(view.strStatusLine))
            view.strTrayTip = view.strStatusLine;
        view.strTechnology = status.GetTechnologyText();
        if (IsKnown(view.strTechnology))
            AppendLine(view.strTrayTip, view.strTechnology);
        view.nSignalIconId = status.GetSignalIconId();
        const std::wstring strSignal = status.GetSignalText();
        if (IsKnown(strSignal))
            AppendLine(view.strTrayTip, strSignal);
        view.strUsers = status.GetUsersText();
    }
    view.nTrayIconId = status.GetTrayIconId(bUnseenEvents);
    return view;
}

#include "update/UpdateOffer.h"

#include "app/AppString.h"
#include "app/AsciiCase.h"
#include "app/Log.h"
#include "app/Settings.h"
#include "resources/StringIds.h"
#include "update/WebAddress.h"

namespace {

// The neutral firmware status: no firmware update under way.
constexpr int32_t kNoFirmwareUpdate = 1;

// What a firmware status shows; a status not listed shows nothing and raises no alert.
struct CFirmwareOffer {
    int32_t nStatus;
    bool bUnseen;
    StringId nLinkText;    // of control 1016
    StringId nAlertPlain;  // the alert's texts; kNoText for none
    StringId nAlertLink;
};
constexpr StringId kNoText = StringId(0);
constexpr CFirmwareOffer kFirmwareOffers[] = {
    {2, true, IDS_NEW_FIRMWARE_LINK, kNoText, IDS_NEW_FIRMWARE_ALERT},
    {3, false, IDS_UPGRADING_FIRMWARE, IDS_UPGRADING_FIRMWARE, kNoText},
    {4, true, IDS_REBOOT_NEEDED_LINK, kNoText, IDS_REBOOT_NEEDED_ALERT},
};

std::wstring TextOf(StringId nId)
{
    return nId == kNoText ? std::wstring() : AppString(nId);
}

// An installer the updater downloads and starts: the text after the URL's last dot (the
// whole URL without one, a query string or fragment included) is EXE or MSI.
bool NamesInstaller(const std::wstring& strUrl)
{
    const size_t nDot = strUrl.rfind(L'.');
    const std::wstring strExtension = nDot == std::wstring::npos ? strUrl : strUrl.substr(nDot + 1);
    return EqualsIgnoringAsciiCase(strExtension, L"exe") || EqualsIgnoringAsciiCase(strExtension, L"msi");
}

}  // namespace

bool IsNotifierUpdatePending(const CSettings& settings)
{
    return !settings.m_strNotifierVersion.empty() &&
           !EqualsIgnoringAsciiCase(settings.m_strNotifierVersion, settings.m_strVersion);
}

CUpdateReport CUpdateOffer::OnLiveUpdateStatus(int32_t nStatus)
{
    XLog(1, L"CDlgMain::ReportLiveUpdateStatus: 0x%X", static_cast<uint32_t>(nStatus));
    CUpdateReport report;
    if (IsNotifierUpdatePending(m_settings)) {
        XLog(1, L"CDlgMain::ReportLiveUpdateStatus: ignored!");
        return report;
    }
    m_settings.m_nLiveUpdateStatus = nStatus;
    m_strLinkText.clear();
    for (const CFirmwareOffer& offer : kFirmwareOffers) {
        if (offer.nStatus != nStatus)
            continue;
        report.bSetUnseenEvents = offer.bUnseen;
        m_strLinkText = AppString(offer.nLinkText);
        const std::wstring strPlain = TextOf(offer.nAlertPlain);
        const std::wstring strLink = TextOf(offer.nAlertLink);
        // A text missing from the language resources is empty; with both empty there is
        // nothing to announce.
        if (!strPlain.empty() || !strLink.empty())
            report.alert.emplace(AlertUpdate, strPlain.c_str(), strLink.c_str());
    }
    report.strLinkText = m_strLinkText;
    return report;
}

CUpdateReport CUpdateOffer::OnSoftwareRequired(const std::wstring& strVersion, const std::wstring& strUrl)
{
    XLog(1, L"CDlgMain::ReportSoftwareRequired: VER=%s, URL=%s", strVersion.c_str(), strUrl.c_str());
    CUpdateReport report;
    if (m_settings.m_nLiveUpdateStatus != kNoFirmwareUpdate) {
        XLog(1, L"CDlgMain::ReportSoftwareRequired: ignored!");
        return report;
    }
    m_settings.m_strNotifierVersion = strVersion;
    m_settings.m_strNotifierUrl = strUrl;
    if (IsNotifierUpdatePending(m_settings)) {
        report.bSetUnseenEvents = true;
        m_strLinkText = AppString(IDS_NEW_NOTIFIER_LINK);
        report.strLinkText = m_strLinkText;
        report.alert.emplace(AlertUpdate, L"", AppString(IDS_NEW_NOTIFIER_ALERT).c_str());
    }
    return report;
}

void CUpdateOffer::OnLinkLost()
{
    m_settings.m_nLiveUpdateStatus = kNoFirmwareUpdate;
    m_settings.m_strNotifierVersion.clear();
    m_settings.m_strNotifierUrl.clear();
}

CUpgradeAction CUpdateOffer::OnUpgradeLink(IsAdministratorFn pfnIsAdministrator)
{
    CUpgradeAction action;
    if (!IsActionable())
        return action;
    action.bClearUnseenEvents = true;
    if (m_settings.m_nLiveUpdateStatus != kNoFirmwareUpdate) {
        // The page's address comes from the settings, made from our own template.
        action.nStep = UpgradeStep::OpenUpgradePage;
        action.strUrl = m_settings.m_strUpgradeUrl;
        return action;
    }
    if (!IsNotifierUpdatePending(m_settings))
        return action;
    // An address that will be refused asks the user nothing.
    if (!HasWebAddress())
        return action;
    bool bIsAdmin = false;
    if (pfnIsAdministrator != nullptr && pfnIsAdministrator(bIsAdmin) && !bIsAdmin) {
        action.nStep = UpgradeStep::AskAdministrator;
        return action;
    }
    const CUpgradeAction next = NotifierStep();
    action.nStep = next.nStep;
    action.strUrl = next.strUrl;
    return action;
}

CUpgradeAction CUpdateOffer::OnAdministratorAnswer(bool bContinue)
{
    // The question runs a message loop: the link may have gone, and the offer with it.
    if (!bContinue || !IsNotifierUpdatePending(m_settings))
        return CUpgradeAction();
    return NotifierStep();
}

CUpgradeAction CUpdateOffer::NotifierStep() const
{
    CUpgradeAction action;
    if (!HasWebAddress())
        return action;
    const std::wstring& strUrl = m_settings.m_strNotifierUrl;
    action.nStep = NamesInstaller(strUrl) ? UpgradeStep::RunUpdater : UpgradeStep::OpenInBrowser;
    action.strUrl = strUrl;
    return action;
}

bool CUpdateOffer::HasWebAddress() const
{
    // The address comes from the network: a peer must not make the shell open local files
    // or start programs, so only http and https go on.
    if (IsWebAddress(m_settings.m_strNotifierUrl))
        return true;
    XLog(2, L"CDlgMain::OnUpgradeLink: NOK, not a web address, ignored.");
    return false;
}

bool CUpdateOffer::IsActionable() const
{
    return m_strLinkText.find(L"<a>") != std::wstring::npos;
}

bool CUpdateOffer::IsSectionShown() const
{
    return m_settings.m_nLiveUpdateStatus != kNoFirmwareUpdate || IsNotifierUpdatePending(m_settings);
}

std::wstring CUpdateOffer::GetTooltipText() const
{
    if (!IsActionable())
        return std::wstring();
    return AppString(m_settings.m_nLiveUpdateStatus == kNoFirmwareUpdate ? IDS_UPDATE_NOTIFIER_TIP
                                                                         : IDS_UPGRADE_FIRMWARE_TIP);
}

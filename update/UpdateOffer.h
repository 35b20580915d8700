// The portable half of CDlgMain's update handling (ReportLiveUpdateStatus,
// ReportSoftwareRequired, OnUpgradeLink and the update section's link, tooltip and cursor).
// The router's firmware and notifier offers: what each announcement shows, the update state
// between messages and what a click on an offer does. The state is the settings' three
// live-update fields and the text of the update link (control 1016), which is kept here and
// mirrored into the control by the window: an offer is actionable while that text holds
// "<a>". The window applies what each operation returns; everything that needs no window is
// decided here.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "alerts/DesktopAlertItem.h"

class CSettings;

// True when the router offers a notifier whose version text differs from the running one.
// Versions are plain texts compared with ASCII letters in either case: any other version
// counts as an update, older ones included.
bool IsNotifierUpdatePending(const CSettings& settings);

// What the window does after a router report, before its RefreshDisplay.
struct CUpdateReport {
    bool bSetUnseenEvents = false;
    // The update link's new text, when the report sets it.
    std::optional<std::wstring> strLinkText;
    // The update alert to queue (kind AlertUpdate), if any.
    std::optional<CDesktopAlertItem> alert;
};

// What a click on the update offer asks of the window, after bClearUnseenEvents.
enum class UpgradeStep {
    None,              // nothing more
    OpenUpgradePage,   // open strUrl, the router's firmware upgrade page, with the shell
    AskAdministrator,  // ask IDS_NOT_ADMINISTRATOR_QUESTION (Yes/No), then OnAdministratorAnswer
    OpenInBrowser,     // open strUrl, the offered notifier's address, with the shell
    RunUpdater,        // hand strUrl to the updater dialog (bring an open one to the front)
};

struct CUpgradeAction {
    // Clear the unseen-events flag and refresh before the step.
    bool bClearUnseenEvents = false;
    UpgradeStep nStep = UpgradeStep::None;
    std::wstring strUrl;
};

// The administrator check of the platform: true when it could be made, with the answer in
// bIsAdmin; false when it failed, bIsAdmin untouched.
using IsAdministratorFn = bool (*)(bool& bIsAdmin);

class CUpdateOffer {
public:
    // Reads and writes the live-update fields of settings, which must outlive it.
    explicit CUpdateOffer(CSettings& settings) : m_settings(settings) {}
    CUpdateOffer(const CUpdateOffer&) = delete;
    CUpdateOffer& operator=(const CUpdateOffer&) = delete;

    // A firmware status from the router (the message's byte, sign-extended). Ignored while
    // a notifier offer is pending.
    CUpdateReport OnLiveUpdateStatus(int32_t nStatus);
    // A notifier offer from the router. Taken only while no firmware update is under way.
    CUpdateReport OnSoftwareRequired(const std::wstring& strVersion, const std::wstring& strUrl);
    // The router link is down: no firmware update under way, no notifier offered. The link
    // text stays, so a leftover offer finds nothing to do when clicked.
    void OnLinkLost();
    // A click on the heading 1015, the link 1016 or an update popup's link. pfnIsAdministrator
    // is asked only for a notifier offer (null counts as a failed check).
    CUpgradeAction OnUpgradeLink(IsAdministratorFn pfnIsAdministrator);
    // The user's answer to the administrator question of OnUpgradeLink.
    CUpgradeAction OnAdministratorAnswer(bool bContinue);

    // The text for control 1016; "-" (its template text) until a report sets one.
    const std::wstring& GetLinkText() const { return m_strLinkText; }
    bool IsActionable() const;
    // Whether a showing of the status window shows the update section (1015 and 1016).
    bool IsSectionShown() const;
    // Tooltip of 1015 and 1016: empty while no offer is actionable.
    std::wstring GetTooltipText() const;
    // Whether the pointer over the heading 1015 is the hand.
    bool ShowsHandCursor() const { return IsActionable(); }

private:
    // The notifier offer once the question, if any, is behind: the browser or the updater.
    CUpgradeAction NotifierStep() const;
    // True if the offered notifier's address is a web address; logs the refusal otherwise.
    bool HasWebAddress() const;

    CSettings& m_settings;
    std::wstring m_strLinkText = L"-";
};

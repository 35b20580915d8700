// CUpdateOffer: what the router's firmware and notifier offers store and show, what a click
// on an offer asks of the window, and the update section's visibility, tooltip and cursor.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/Settings.h"
#include "tests/native/LogCapture.h"
#include "update/UpdateOffer.h"

namespace {

// The English texts: a wrong string id shows as a wrong text.
constexpr wchar_t kNewFirmwareLink[] = L"New firmware is available. Click <a>here</a> to proceed.";
constexpr wchar_t kNewFirmwareAlert[] = L"New Firmware is available.";
constexpr wchar_t kUpgrading[] = L"Upgrading firmware...";
constexpr wchar_t kRebootLink[] = L"The router needs to be <a>rebooted</a> to complete upgrading.";
constexpr wchar_t kRebootAlert[] = L"The router needs to be rebooted to complete upgrading.";
constexpr wchar_t kNewNotifierLink[] = L"New Notifier is available. Click <a>here</a> to download and install it.";
constexpr wchar_t kNewNotifierAlert[] = L"New Notifier is available.";
constexpr wchar_t kUpgradeFirmwareTip[] = L"Upgrade firmware";
constexpr wchar_t kUpdateNotifierTip[] = L"Update Notifier";

constexpr wchar_t kOwnVersion[] = L"1.0.0.91";
constexpr wchar_t kNewVersion[] = L"1.0.0.92";
constexpr wchar_t kUpgradePage[] = L"http://10.0.0.138/index.cgi?active_page=page_wan_upgrade";
constexpr wchar_t kInstallerUrl[] = L"http://updates.example/notifier/Setup.exe";
constexpr wchar_t kNotWebAddress[] = L"CDlgMain::OnUpgradeLink: NOK, not a web address, ignored.";

using Lines = std::vector<std::wstring>;

// The administrator checks the window could pass: plain functions, as the real one is.
int g_nAdminChecks = 0;
bool CheckFails(bool&)
{
    ++g_nAdminChecks;
    return false;
}
bool IsAdmin(bool& bIsAdmin)
{
    ++g_nAdminChecks;
    bIsAdmin = true;
    return true;
}
bool IsNotAdmin(bool& bIsAdmin)
{
    ++g_nAdminChecks;
    bIsAdmin = false;
    return true;
}

// Settings as start-up leaves them (status 1, nothing offered) and the offer on them.
class COfferHarness {
public:
    COfferHarness()
    {
        m_settings.m_strVersion = kOwnVersion;
        m_settings.m_strUpgradeUrl = kUpgradePage;
        m_settings.m_nLiveUpdateStatus = 1;
        g_nAdminChecks = 0;
    }
    void OfferNotifier(const std::wstring& strUrl)
    {
        ASSERT_TRUE(m_offer.OnSoftwareRequired(kNewVersion, strUrl).alert.has_value());
    }

    CSettings m_settings;
    CUpdateOffer m_offer{m_settings};
};

class UpdateOfferTest : public ::testing::Test, protected COfferHarness {
protected:
    CLogCapture m_log{1};
};

// pszPlain null: no alert.
void ExpectAlert(const CUpdateReport& report, const wchar_t* pszPlain, const wchar_t* pszLink)
{
    if (pszPlain == nullptr) {
        EXPECT_FALSE(report.alert.has_value());
        return;
    }
    ASSERT_TRUE(report.alert.has_value());
    EXPECT_EQ(report.alert->m_nKind, AlertUpdate);
    EXPECT_EQ(report.alert->m_strPlainText, pszPlain);
    EXPECT_EQ(report.alert->m_strLinkText, pszLink);
}

TEST_F(UpdateOfferTest, FreshOfferShowsNothingAndAClickDoesNothing)
{
    EXPECT_EQ(m_offer.GetLinkText(), L"-");
    EXPECT_FALSE(m_offer.IsSectionShown());
    EXPECT_EQ(m_offer.GetTooltipText(), L"");
    EXPECT_FALSE(m_offer.ShowsHandCursor());
    const CUpgradeAction action = m_offer.OnUpgradeLink(IsAdmin);
    EXPECT_FALSE(action.bClearUnseenEvents);
    EXPECT_EQ(action.nStep, UpgradeStep::None);
}

struct FirmwareCase {
    int32_t nBefore;  // the status reported first
    int32_t nStatus;
    const wchar_t* pszLogged;
    bool bSetUnseen;
    const wchar_t* pszLink;
    const wchar_t* pszAlertPlain;  // null: no alert
    const wchar_t* pszAlertLink;
    UpgradeStep nClick;
    const wchar_t* pszTip;
};

TEST(UpdateOffer, FirmwareStatusSetsLinkAlertAndClick)
{
    const FirmwareCase cases[] = {
        {1, 2, L"0x2", true, kNewFirmwareLink, L"", kNewFirmwareAlert, UpgradeStep::OpenUpgradePage,
         kUpgradeFirmwareTip},
        {1, 3, L"0x3", false, kUpgrading, kUpgrading, L"", UpgradeStep::None, L""},
        {3, 4, L"0x4", true, kRebootLink, L"", kRebootAlert, UpgradeStep::OpenUpgradePage, kUpgradeFirmwareTip},
        {2, 1, L"0x1", false, L"", nullptr, nullptr, UpgradeStep::None, L""},
        {2, -1, L"0xFFFFFFFF", false, L"", nullptr, nullptr, UpgradeStep::None, L""},
        {1, -128, L"0xFFFFFF80", false, L"", nullptr, nullptr, UpgradeStep::None, L""},
        {4, 0, L"0x0", false, L"", nullptr, nullptr, UpgradeStep::None, L""},
        {1, 5, L"0x5", false, L"", nullptr, nullptr, UpgradeStep::None, L""},
    };
    for (const FirmwareCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.nBefore << " then " << c.nStatus);
        COfferHarness h;
        h.m_offer.OnLiveUpdateStatus(c.nBefore);
        CLogCapture log(1);
        const CUpdateReport report = h.m_offer.OnLiveUpdateStatus(c.nStatus);
        EXPECT_EQ(g_lines, Lines{std::wstring(L"CDlgMain::ReportLiveUpdateStatus: ") + c.pszLogged});
        EXPECT_EQ(h.m_settings.m_nLiveUpdateStatus, c.nStatus);
        EXPECT_EQ(report.bSetUnseenEvents, c.bSetUnseen);
        EXPECT_EQ(report.strLinkText, std::wstring(c.pszLink));
        EXPECT_EQ(h.m_offer.GetLinkText(), c.pszLink);
        ExpectAlert(report, c.pszAlertPlain, c.pszAlertLink);
        // Any status but 1 shows the section, with an empty link for the unknown ones.
        EXPECT_EQ(h.m_offer.IsSectionShown(), c.nStatus != 1);
        EXPECT_EQ(h.m_offer.GetTooltipText(), c.pszTip);
        EXPECT_EQ(h.m_offer.ShowsHandCursor(), c.nClick != UpgradeStep::None);

        const CUpgradeAction action = h.m_offer.OnUpgradeLink(IsAdmin);
        EXPECT_EQ(action.nStep, c.nClick);
        EXPECT_EQ(action.bClearUnseenEvents, c.nClick != UpgradeStep::None);
        EXPECT_EQ(action.strUrl, c.nClick == UpgradeStep::None ? L"" : kUpgradePage);
        EXPECT_EQ(g_nAdminChecks, 0);
        // The offer stays: a second click does the same.
        EXPECT_EQ(h.m_offer.OnUpgradeLink(IsAdmin).nStep, c.nClick);
    }
}

struct NotifierCase {
    int32_t nStatus;  // before the offer
    const wchar_t* pszVersion;
    bool bStored;
    bool bShown;  // link 114, alert 118, unseen events
};

TEST(UpdateOffer, NotifierOfferIsTakenOnlyWithoutFirmwareUpdate)
{
    const NotifierCase cases[] = {
        {1, kNewVersion, true, true},   {1, L"1.0.0.90", true, true},  // older: versions are not ordered
        {1, kOwnVersion, true, false},  {1, L"", true, false},           {3, kNewVersion, false, false},
        {2, kNewVersion, false, false}, {-1, kNewVersion, false, false},
    };
    for (const NotifierCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.nStatus << " " << testing::PrintToString(std::wstring(c.pszVersion)));
        COfferHarness h;
        h.m_offer.OnLiveUpdateStatus(c.nStatus);
        const std::wstring strLinkBefore = h.m_offer.GetLinkText();
        CLogCapture log(1);
        const CUpdateReport report = h.m_offer.OnSoftwareRequired(c.pszVersion, kInstallerUrl);

        Lines expected{std::wstring(L"CDlgMain::ReportSoftwareRequired: VER=") + c.pszVersion + L", URL=" +
                       kInstallerUrl};
        if (!c.bStored)
            expected.push_back(L"CDlgMain::ReportSoftwareRequired: ignored!");
        EXPECT_EQ(g_lines, expected);
        EXPECT_EQ(h.m_settings.m_strNotifierVersion, c.bStored ? c.pszVersion : L"");
        EXPECT_EQ(h.m_settings.m_strNotifierUrl, c.bStored ? kInstallerUrl : L"");
        EXPECT_EQ(h.m_settings.m_nLiveUpdateStatus, c.nStatus);
        EXPECT_EQ(report.bSetUnseenEvents, c.bShown);
        if (c.bShown) {
            EXPECT_EQ(report.strLinkText, std::wstring(kNewNotifierLink));
            ExpectAlert(report, L"", kNewNotifierAlert);
            EXPECT_EQ(h.m_offer.GetTooltipText(), kUpdateNotifierTip);
        } else {
            EXPECT_FALSE(report.strLinkText.has_value());
            ExpectAlert(report, nullptr, nullptr);
            EXPECT_EQ(h.m_offer.GetLinkText(), strLinkBefore);
        }
        EXPECT_EQ(h.m_offer.IsSectionShown(), c.bShown || c.nStatus != 1);
    }
}

TEST(UpdateOffer, PendingMeansAnotherVersionIgnoringAsciiCase)
{
    struct {
        const wchar_t* pszOffered;
        const wchar_t* pszOwn;
        bool bPending;
    } const cases[] = {
        {L"", kOwnVersion, false},
        {kOwnVersion, kOwnVersion, false},
        {L"1.0.0.91-RC", L"1.0.0.91-rc", false},
        {L"V1.0.0.92", L"v1.0.0.91", true},
        {L"1.0.0.90", kOwnVersion, true},
        {L"1.0.0.91 ", kOwnVersion, true},
        {kNewVersion, L"-", true},
        {L"1.0.0.91-\x00C9", L"1.0.0.91-\x00E9", true},  // only A-Z fold
    };
    for (const auto& c : cases) {
        CSettings settings;
        settings.m_strNotifierVersion = c.pszOffered;
        settings.m_strVersion = c.pszOwn;
        EXPECT_EQ(IsNotifierUpdatePending(settings), c.bPending)
            << testing::PrintToString(std::wstring(c.pszOffered)) << " against "
            << testing::PrintToString(std::wstring(c.pszOwn));
    }
}

TEST_F(UpdateOfferTest, PendingNotifierOfferFreezesFirmwareStateUntilLinkLoss)
{
    OfferNotifier(kInstallerUrl);
    g_lines.clear();
    const CUpdateReport report = m_offer.OnLiveUpdateStatus(2);
    EXPECT_EQ(g_lines,
              (Lines{L"CDlgMain::ReportLiveUpdateStatus: 0x2", L"CDlgMain::ReportLiveUpdateStatus: ignored!"}));
    EXPECT_EQ(m_settings.m_nLiveUpdateStatus, 1);
    EXPECT_FALSE(report.bSetUnseenEvents);
    EXPECT_FALSE(report.strLinkText.has_value());
    EXPECT_FALSE(report.alert.has_value());
    EXPECT_EQ(m_offer.GetLinkText(), kNewNotifierLink);

    m_offer.OnLinkLost();
    EXPECT_EQ(m_offer.OnLiveUpdateStatus(2).strLinkText, std::wstring(kNewFirmwareLink));
    EXPECT_EQ(m_settings.m_nLiveUpdateStatus, 2);
}

TEST_F(UpdateOfferTest, ReportLinesAreDetailsOnly)
{
    CLogCapture warnings(2);
    m_offer.OnSoftwareRequired(kNewVersion, kInstallerUrl);
    m_offer.OnLiveUpdateStatus(2);
    m_offer.OnLinkLost();
    m_offer.OnLiveUpdateStatus(3);
    m_offer.OnSoftwareRequired(kNewVersion, kInstallerUrl);
    EXPECT_EQ(g_lines, Lines{});
}

TEST_F(UpdateOfferTest, RepeatedNotifierOfferAlertsAgain)
{
    for (int i = 0; i < 2; ++i) {
        const CUpdateReport report = m_offer.OnSoftwareRequired(kNewVersion, kInstallerUrl);
        EXPECT_TRUE(report.bSetUnseenEvents);
        ExpectAlert(report, L"", kNewNotifierAlert);
    }
}

TEST(UpdateOffer, NotifierClickGoesByTheTextAfterTheLastDot)
{
    const std::pair<const wchar_t*, UpgradeStep> cases[] = {
        {L"http://updates.example/notifier/Setup.exe", UpgradeStep::RunUpdater},
        {L"http://updates.example/notifier/setup.EXE", UpgradeStep::RunUpdater},
        {L"https://updates.example/notifier/setup.msi", UpgradeStep::RunUpdater},
        {L"HTTPS://updates.example/notifier/setup.MSI", UpgradeStep::RunUpdater},
        {L"http://updates.example/get?file=setup.Exe", UpgradeStep::RunUpdater},
        {L"http://updates.example/notifier/setup.zip", UpgradeStep::OpenInBrowser},
        {L"http://updates.example/notifier/setup.exe?lang=en", UpgradeStep::OpenInBrowser},
        {L"http://updates.example/notifier/setup.msi#top", UpgradeStep::OpenInBrowser},
        {L"http://updates.example/notifier/setup.exe.txt", UpgradeStep::OpenInBrowser},
        {L"http://updates.example/notifier/exe", UpgradeStep::OpenInBrowser},
        {L"http://10.0.0.1/download", UpgradeStep::OpenInBrowser},
        {L"http://updates", UpgradeStep::OpenInBrowser},
        // Not from the web: neither the shell nor the updater gets them.
        {L"file:///C:/Windows/System32/calc.exe", UpgradeStep::None},
        {L"C:\\Windows\\System32\\calc.exe", UpgradeStep::None},
        {L"\\\\server\\share\\setup.msi", UpgradeStep::None},
        {L"setup.exe", UpgradeStep::None},
        {L"ftp://updates.example/setup.exe", UpgradeStep::None},
        {L"http:setup.exe", UpgradeStep::None},
        {L"", UpgradeStep::None},
    };
    for (const auto& [pszUrl, nStep] : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(pszUrl)));
        COfferHarness h;
        h.OfferNotifier(pszUrl);
        CLogCapture warnings(2);
        const CUpgradeAction action = h.m_offer.OnUpgradeLink(IsAdmin);
        EXPECT_TRUE(action.bClearUnseenEvents);
        EXPECT_EQ(action.nStep, nStep);
        EXPECT_EQ(action.strUrl, nStep == UpgradeStep::None ? L"" : pszUrl);
        EXPECT_EQ(g_lines, nStep == UpgradeStep::None ? Lines{kNotWebAddress} : Lines{});
        // A click leaves the offer actionable.
        EXPECT_EQ(h.m_offer.GetLinkText(), kNewNotifierLink);
    }
}

struct QuestionCase {
    IsAdministratorFn pfnCheck;
    const wchar_t* pszUrl;
    bool bAsked;
    bool bAnswer;  // when asked
    UpgradeStep nStep;
};

TEST(UpdateOffer, NonAdministratorIsAskedBeforeTheExtensionTest)
{
    constexpr wchar_t kPageUrl[] = L"http://updates.example/notifier/download.html";
    const QuestionCase cases[] = {
        {IsAdmin, kInstallerUrl, false, false, UpgradeStep::RunUpdater},
        {CheckFails, kInstallerUrl, false, false, UpgradeStep::RunUpdater},
        {nullptr, kInstallerUrl, false, false, UpgradeStep::RunUpdater},
        {IsNotAdmin, kInstallerUrl, true, true, UpgradeStep::RunUpdater},
        {IsNotAdmin, kPageUrl, true, true, UpgradeStep::OpenInBrowser},
        {IsNotAdmin, kInstallerUrl, true, false, UpgradeStep::None},
        {IsNotAdmin, kPageUrl, true, false, UpgradeStep::None},
        // Refused before anyone is asked.
        {IsNotAdmin, L"file:///C:/setup.exe", false, false, UpgradeStep::None},
    };
    for (const QuestionCase& c : cases) {
        SCOPED_TRACE(testing::Message() << (&c - cases));
        COfferHarness h;
        CLogCapture log(1);
        h.OfferNotifier(c.pszUrl);
        CUpgradeAction action = h.m_offer.OnUpgradeLink(c.pfnCheck);
        EXPECT_TRUE(action.bClearUnseenEvents);
        // Asked for a notifier offer that will go on, not for a refused one.
        EXPECT_EQ(g_nAdminChecks, c.pfnCheck != nullptr && (c.bAsked || c.nStep != UpgradeStep::None) ? 1 : 0);
        if (c.bAsked) {
            ASSERT_EQ(action.nStep, UpgradeStep::AskAdministrator);
            action = h.m_offer.OnAdministratorAnswer(c.bAnswer);
            EXPECT_FALSE(action.bClearUnseenEvents);
        }
        EXPECT_EQ(action.nStep, c.nStep);
        EXPECT_EQ(action.strUrl, c.nStep == UpgradeStep::None ? L"" : c.pszUrl);
    }
}

TEST_F(UpdateOfferTest, AnswerFindsNothingWhenTheOfferWentMeanwhile)
{
    OfferNotifier(kInstallerUrl);
    ASSERT_EQ(m_offer.OnUpgradeLink(IsNotAdmin).nStep, UpgradeStep::AskAdministrator);
    // The question's message loop handled a link loss.
    m_offer.OnLinkLost();
    g_lines.clear();
    const CUpgradeAction action = m_offer.OnAdministratorAnswer(true);
    EXPECT_EQ(action.nStep, UpgradeStep::None);
    EXPECT_EQ(g_lines, Lines{});
}

TEST_F(UpdateOfferTest, LinkLossResetsTheStateButLeavesTheLink)
{
    for (bool bNotifier : {true, false}) {
        SCOPED_TRACE(bNotifier ? "notifier offer" : "firmware offer");
        if (bNotifier)
            OfferNotifier(kInstallerUrl);
        else
            m_offer.OnLiveUpdateStatus(4);
        const std::wstring strLink = m_offer.GetLinkText();
        m_offer.OnLinkLost();
        EXPECT_EQ(m_settings.m_nLiveUpdateStatus, 1);
        EXPECT_EQ(m_settings.m_strNotifierVersion, L"");
        EXPECT_EQ(m_settings.m_strNotifierUrl, L"");
        EXPECT_EQ(m_offer.GetLinkText(), strLink);
        EXPECT_FALSE(m_offer.IsSectionShown());
        // The leftover link still clears the unseen events, and finds no offer.
        const CUpgradeAction action = m_offer.OnUpgradeLink(IsNotAdmin);
        EXPECT_TRUE(action.bClearUnseenEvents);
        EXPECT_EQ(action.nStep, UpgradeStep::None);
        EXPECT_EQ(g_nAdminChecks, 0);
    }
}

}  // namespace

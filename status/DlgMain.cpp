#include "status/DlgMain.h"

#include <commctrl.h>
#include <shellapi.h>

#include <utility>

#include "alerts/DesktopAlert.h"
#include "alerts/EventReport.h"
#include "alerts/MissedCall.h"
#include "alerts/SmsMessage.h"
#include "app/AppString.h"
#include "app/DlgAbout.h"
#include "app/Log.h"
#include "app/ResourceModule.h"
#include "app/Settings.h"
#include "framework/ClientDC.h"
#include "framework/MFCDesktopAlertWnd.h"
#include "framework/MessageBox.h"
#include "framework/ModalLoop.h"
#include "link/LinkDriver.h"
#include "resources/StringIds.h"
#include "resources/resource.h"
#include "status/ControlPointer.h"
#include "status/DialogLayout.h"
#include "status/StatusView.h"
#include "status/WindowMetrics.h"
#include "update/Administrator.h"
#include "update/DlgUpdater.h"

namespace {

constexpr UINT kTimerPeriodMs = 4096;
// The group titles' red-orange.
constexpr COLORREF kTitleColour = RGB(255, 69, 0);

bool IsGroupTitle(int nId)
{
    return nId == IDC_SMS_TITLE || nId == IDC_CALLS_TITLE || nId == IDC_STATUS_TITLE || nId == IDC_UPDATE_TITLE;
}

// The router's pages show normally; an update offer's address and page with SW_SHOW.
void OpenAddress(const std::wstring& strAddress, int nShow = SW_SHOWNORMAL)
{
    ShellExecuteW(nullptr, L"open", strAddress.c_str(), nullptr, nullptr, nShow);
}

}  // namespace

CDlgMain::CDlgMain() : CDialog(IDD_MAIN), m_sockClient(this), m_dlgBase(this)
{
    m_hAppIcon = LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDI_APP));
    m_nTaskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
}

CDlgMain::~CDlgMain() = default;

void CDlgMain::DoDataExchange()
{
    DDX_Control(IDC_SMS_TITLE, m_lblSmsTitle);
    DDX_Control(IDC_CALLS_TITLE, m_lblMissedCallsTitle);
    DDX_Control(IDC_STATUS_TITLE, m_lblStatusTitle);
    DDX_Control(IDC_STATUS_LINE, m_lblStatusLine);
    DDX_Control(IDC_SIGNAL_ICON, m_icoSignal);
    DDX_Control(IDC_USERS, m_lblUsers);
    DDX_Control(IDC_TECHNOLOGY, m_lblTechnology);
    DDX_Control(IDC_NO_CONNECTION, m_lblNoConnection);
    DDX_Control(IDC_UPDATE_TITLE, m_lblUpdateTitle);
    DDX_Control(IDC_CALLS_LIST, m_lstMissedCalls);
}

BOOL CDlgMain::OnInitDialog()
{
    CDialog::OnInitDialog();

    CMenu systemMenu = GetSystemMenu(false);
    const std::wstring strAbout = AppString(IDS_ABOUT_MENU_ITEM);
    if (systemMenu.m_hMenu != nullptr && !strAbout.empty()) {
        systemMenu.AppendMenu(MF_SEPARATOR);
        systemMenu.AppendMenu(MF_STRING, IDM_ABOUTBOX, strAbout.c_str());
    }

    SetIcon(m_hAppIcon, true);
    SetIcon(m_hAppIcon, false);

    RECT rcWindow;
    GetWindowRect(&rcWindow);
    CDlgBase::PlaceWindow(m_hWnd, rcWindow.bottom - rcWindow.top);

    EnableToolTips(true);
    m_toolTip.Create(this);

    m_notifyIcon.Create(this);
    ScaleImages(CDlgBase::WindowDpi(m_hWnd));

    m_lstMissedCalls.ShowScrollBar(SB_VERT, true);
    m_lstMissedCalls.SetExtendedStyle(m_lstMissedCalls.GetExtendedStyle() | LVS_EX_FULLROWSELECT);
    const MissedCallColumns columns = MissedCallColumnsAt(m_shown.images.Dpi());
    m_lstMissedCalls.InsertColumn(0, AppString(IDS_CALLER_COLUMN).c_str(), LVCFMT_LEFT, columns.nCaller);
    m_lstMissedCalls.InsertColumn(1, AppString(IDS_DATE_COLUMN).c_str(), LVCFMT_LEFT, columns.nDate);

    SetDlgItemText(IDC_CALLS_COUNTER, L"");
    SetDlgItemText(IDC_STATUS_TITLE, AppString(IDS_DEVICE_STATUS).c_str());
    SetDlgItemText(IDC_NO_CONNECTION, AppString(IDS_NO_CONNECTION).c_str());
    m_shown.strNoConnection = m_lblNoConnection.GetWindowText();

    RefreshDisplay();

    m_nTimerId = SetTimer(IDT_CONNECT, kTimerPeriodMs);
    // No focus for the hidden window: in the read-only SMS box the caret would blink twice a
    // second for the whole run. Activation gives the focus once the window shows.
    return FALSE;
}

// A refresh sets only what differs from what it last put into a control: one that changes
// nothing makes no call to the window system at all (under Wine even asking a control for
// its text or style is a round trip to the server), so a burst of unchanged status messages
// costs next to nothing.
void CDlgMain::ShowControl(int nId, bool bShow)
{
    auto it = m_shown.visible.find(nId);
    if (it != m_shown.visible.end() && it->second == bShow)
        return;
    HWND hItem = GetDlgItem(nId);
    if (hItem != nullptr)
        ::ShowWindow(hItem, bShow ? SW_SHOW : SW_HIDE);
    m_shown.visible[nId] = bShow;
}

void CDlgMain::SetControlText(int nId, const std::wstring& strText)
{
    auto it = m_shown.texts.find(nId);
    if (it != m_shown.texts.end() && it->second == strText)
        return;
    SetDlgItemText(nId, strText.c_str());
    m_shown.texts[nId] = strText;
}

HICON CDlgMain::SignalIcon(uint32_t nId)
{
    // From the current resource module, at the window's DPI, once each.
    return m_shown.images.Get(nId);
}

void CDlgMain::ScaleImages(UINT nDpi)
{
    // A label does not own its image: the old set goes once the labels show the new one.
    CLabelImages old = std::exchange(m_shown.images, CLabelImages(nDpi));
    for (const TemplateImage& image : s_templateImages)
        ::SendDlgItemMessageW(m_hWnd, image.nControlId, STM_SETICON,
                              reinterpret_cast<WPARAM>(m_shown.images.Get(image.nIconId)), 0);
    if (m_shown.wantedSignalIcon)
        m_shown.wantedSignalIcon = SignalIcon(old.IdOf(*m_shown.wantedSignalIcon));
    ShowDeferredChanges();
}

MissedCallColumns CDlgMain::MissedCallColumnsAt(UINT nDpi)
{
    // Measured as when the window was made: with the vertical scroll bar shown (the list
    // hides it again while its rows fit).
    m_lstMissedCalls.ShowScrollBar(SB_VERT, true);
    RECT rcList = {};
    m_lstMissedCalls.GetClientRect(&rcList);
    return MissedCallColumnWidths(rcList.right - rcList.left, nDpi);
}

void CDlgMain::OnDpiChanged(UINT nDpi, const RECT& rcSuggested)
{
    if (nDpi == 0)
        nDpi = kBaseDpi;
    // The dialog manager scales the controls from where they stand: the groups go back to
    // the template's arrangement for it, and are measured and arranged again afterwards.
    m_dlgBase.RestoreMeasuredPlaces();
    Default();
    SetWindowPos(nullptr, 0, 0, rcSuggested.right - rcSuggested.left, rcSuggested.bottom - rcSuggested.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    m_dlgBase.OnDpiChanged(nDpi);
    const MissedCallColumns columns = MissedCallColumnsAt(nDpi);
    m_lstMissedCalls.SetColumnWidth(0, columns.nCaller);
    m_lstMissedCalls.SetColumnWidth(1, columns.nDate);
    m_notifyIcon.SetDpi(nDpi);
    ScaleImages(nDpi);
    // The layout has shown whole groups again; the refresh sorts out the device status.
    m_shown.visible.clear();
    RefreshDisplay();
}

void CDlgMain::RefreshDisplay()
{
    SetControlText(IDC_SMS_COUNTER, m_smsList.GetCounterText());
    const CSmsMessage* pCurrent = m_smsList.m_pCurrent;
    SetControlText(IDC_SMS_SENDER, pCurrent != nullptr ? pCurrent->GetSenderText() : std::wstring());
    SetControlText(IDC_SMS_TIME, pCurrent != nullptr ? pCurrent->GetReceivedText() : std::wstring());
    SetControlText(IDC_SMS_TEXT, pCurrent != nullptr ? pCurrent->GetMessageText() : std::wstring());

    const CStatusView view = ComposeStatusView(m_status, m_bUnseenEvents != 0, m_shown.strNoConnection);
    ShowControl(IDC_NO_CONNECTION, !view.bLinkUp);
    for (int nId : {IDC_STATUS_LINE, IDC_SIGNAL_ICON, IDC_TECHNOLOGY, IDC_USERS})
        ShowControl(nId, view.bLinkUp);
    if (view.bLinkUp) {
        SetControlText(IDC_STATUS_LINE, view.strStatusLine);
        SetControlText(IDC_TECHNOLOGY, view.strTechnology);
        m_shown.wantedSignalIcon = SignalIcon(view.nSignalIconId);
        SetControlText(IDC_USERS, view.strUsers);
    }

    m_notifyIcon.SetText(view.strTrayTip.c_str());
    m_notifyIcon.Show(view.nTrayIconId);

    // An image label takes a few hundred microseconds to change and the shell milliseconds:
    // a burst of status messages shows its last state once, right after it.
    const bool bSignalChanged = m_shown.wantedSignalIcon && m_shown.wantedSignalIcon != m_shown.shownSignalIcon;
    if ((bSignalChanged || m_notifyIcon.NeedsFlush()) && !m_shown.bChangesPosted)
        m_shown.bChangesPosted = PostMessage(WM_APP_SHOW_CHANGES);
}

void CDlgMain::ShowDeferredChanges()
{
    m_shown.bChangesPosted = false;
    if (m_shown.wantedSignalIcon && m_shown.wantedSignalIcon != m_shown.shownSignalIcon) {
        m_icoSignal.SetIcon(*m_shown.wantedSignalIcon);
        m_shown.shownSignalIcon = m_shown.wantedSignalIcon;
    }
    m_notifyIcon.Flush();
}

void CDlgMain::ShowStatusWindow()
{
    uint32_t nMask = kLayoutMaskDeviceStatus;
    if (m_smsList.m_nCount > 0)
        nMask |= kLayoutMaskSms;
    if (m_missedCallList.m_nCount > 0)
        nMask |= kLayoutMaskMissedCalls;
    if (m_offer.IsSectionShown())
        nMask |= kLayoutMaskUpgrade;
    m_dlgBase.UpdateLayout(nMask);
    // The layout has shown the device-status group whole; the refresh sorts it out again.
    m_shown.visible.clear();
    RefreshDisplay();
    ShowWindow(SW_SHOW);
    SetForegroundWindow();
}

void CDlgMain::ConnectIfNeeded()
{
    const CSettings& settings = CSettings::GetInstance();
    ::ConnectIfNeeded(m_sockClient, settings.m_strIpAddress, settings.m_nPort, *this);
}

void CDlgMain::SetRouterConnected(bool bConnected)
{
    if (bConnected) {
        m_status.m_bConnected = 1;
    } else {
        m_status.Reset();
        m_offer.OnLinkLost();
    }
    RefreshDisplay();
}

void CDlgMain::ShowReceiveErrorBox(const std::wstring& strText)
{
    AfxMessageBox(strText.c_str(), MB_OK);
}

void CDlgMain::SetConnectionState(int32_t nState)
{
    StoreConnectionState(m_status, nState);
    RefreshDisplay();
}

void CDlgMain::SetSignalStrength(int32_t nLevel)
{
    StoreSignalStrength(m_status, nLevel);
    RefreshDisplay();
}

void CDlgMain::SetRegistrationState(int32_t nCS, int32_t nPS, int32_t nTechnology, const std::wstring& strOperator)
{
    StoreRegistrationState(m_status, nCS, nPS, nTechnology, strOperator);
    RefreshDisplay();
}

void CDlgMain::SetConnectedUsersCount(int32_t nKind, int32_t nCount)
{
    StoreConnectedUsersCount(m_status, nKind, nCount);
    RefreshDisplay();
}

// SMS and missed calls carry ids: one already held in this run leaves no trace, one not
// above the stored id is only logged. Incoming calls and error reports always pop up.
void CDlgMain::ProcessReceivedSmsMessage(const uint8_t* pMessage, uint32_t nLength)
{
    const CSmsMessage sms(pMessage, nLength);
    const uint32_t nId = sms.GetId();
    CSettings& settings = CSettings::GetInstance();
    const EventVerdict verdict = JudgeEvent(m_smsList.Contains(nId), nId, settings.m_nLastReceivedSmsId);
    if (verdict == EventVerdict::Repeat)
        return;
    XLog(1, L"CDlgMain::ProcessReceivedSmsMessage: Id=0x%X, Time=%s, Sender=%s, Text=%s", nId,
         sms.GetReceivedText().c_str(), sms.GetSenderText().c_str(), sms.GetMessageText().c_str());
    if (verdict == EventVerdict::OnlyLog)
        return;
    m_smsList.Add(pMessage, nLength);
    m_bUnseenEvents = 1;
    settings.SetLastReceivedSmsId(static_cast<int32_t>(nId));
    CDesktopAlert::GetInstance().AddAlert(AlertSms, L"", SmsAlertText(sms).c_str());
    RefreshDisplay();
}

void CDlgMain::ReportCall(const std::wstring& strCaller)
{
    XLog(1, L"CDlgMain::ReportCall: %s", strCaller.c_str());
    CDesktopAlert::GetInstance().AddAlert(AlertIncomingCall, L"", CallAlertText(strCaller).c_str());
}

void CDlgMain::ProcessMissedCallMessage(const uint8_t* pMessage, uint32_t nLength)
{
    const CMissedCall call(pMessage, nLength);
    const uint32_t nId = call.GetId();
    CSettings& settings = CSettings::GetInstance();
    const EventVerdict verdict = JudgeEvent(m_missedCallList.Contains(nId), nId, settings.m_nLastMissedCallId);
    if (verdict == EventVerdict::Repeat)
        return;
    const std::wstring strTime = call.GetTimeText();
    const std::wstring strCaller = call.GetCallerText();
    XLog(1, L"CDlgMain::ProcessMissedCallMessage: Id=0x%X, Time=%s, Phone=%s", nId, strTime.c_str(), strCaller.c_str());
    if (verdict == EventVerdict::OnlyLog)
        return;
    m_missedCallList.Add(pMessage, nLength);
    // A row at the bottom, the only one selected: the selection change updates the counter.
    const int nItem = m_lstMissedCalls.InsertItem(m_lstMissedCalls.GetItemCount(), strCaller.c_str());
    if (nItem >= 0) {
        m_lstMissedCalls.SetItemText(nItem, 1, strTime.c_str());
        m_lstMissedCalls.SetItemState(nItem, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        m_lstMissedCalls.EnsureVisible(nItem, false);
    }
    m_bUnseenEvents = 1;
    settings.SetLastMissedCallId(static_cast<int32_t>(nId));
    RefreshDisplay();
}

void CDlgMain::ReportError(const std::wstring& strText)
{
    const std::wstring strAlert = ErrorAlertText(strText);
    XLog(1, L"CDlgMain::ReportError: %s", strText.c_str());
    CDesktopAlert::GetInstance().AddAlert(AlertError, strAlert.c_str(), L"");
}

void CDlgMain::OnMissedCallItemChanged()
{
    const int nRows = m_lstMissedCalls.GetItemCount();
    const int nSelected = m_lstMissedCalls.GetNextItem(-1, LVNI_SELECTED);
    SetDlgItemText(IDC_CALLS_COUNTER, MissedCallCounterText(nRows, nSelected).c_str());
}
void CDlgMain::ReportLiveUpdateStatus(int32_t nStatus)
{
    ApplyUpdateReport(m_offer.OnLiveUpdateStatus(nStatus));
}

void CDlgMain::ReportSoftwareRequired(const std::wstring& strVersion, const std::wstring& strUrl)
{
    ApplyUpdateReport(m_offer.OnSoftwareRequired(strVersion, strUrl));
}

void CDlgMain::ApplyUpdateReport(const CUpdateReport& report)
{
    if (report.bSetUnseenEvents)
        m_bUnseenEvents = 1;
    // The link's text is the offer's state, kept in m_offer; the control shows it.
    if (report.strLinkText)
        SetDlgItemText(IDC_UPDATE_LINK, report.strLinkText->c_str());
    if (report.alert)
        CDesktopAlert::GetInstance().AddAlert(AlertUpdate, report.alert->m_strPlainText.c_str(),
                                              report.alert->m_strLinkText.c_str());
    RefreshDisplay();
}

void CDlgMain::OnUpgradeLink()
{
    CUpgradeAction action = m_offer.OnUpgradeLink(&IsAdministrator);
    if (action.bClearUnseenEvents) {
        m_bUnseenEvents = 0;
        RefreshDisplay();
    }
    if (action.nStep == UpgradeStep::AskAdministrator)
        action = m_offer.OnAdministratorAnswer(AfxMessageBox(IDS_NOT_ADMINISTRATOR_QUESTION, MB_YESNO) == IDYES);
    switch (action.nStep) {
    case UpgradeStep::OpenUpgradePage:
    case UpgradeStep::OpenInBrowser:
        OpenAddress(action.strUrl, SW_SHOW);
        break;
    case UpgradeStep::RunUpdater: {
        CDlgUpdater& updater = CDlgUpdater::GetInstance();
        updater.SetUrl(action.strUrl);
        // The updater is modal, but an update popup's link still reaches this window.
        if (updater.m_hWnd != nullptr && ::IsWindow(updater.m_hWnd)) {
            updater.ShowWindow(SW_SHOW);
            updater.SetForegroundWindow();
        } else {
            updater.DoModal();
        }
        break;
    }
    default:
        break;
    }
}

LRESULT CDlgMain::WindowProc(UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    switch (nMsg) {
    case WM_APP_TRAY_NOTIFY:
        OnTrayNotify(lParam);
        return 0;
    case WM_APP_SHOW_STATUS:
        ShowStatusWindow();
        return 0;
    case WM_APP_STOP:
        AfxRequestStop(this);
        return 0;
    case WM_APP_SHOW_CHANGES:
        ShowDeferredChanges();
        return 0;
    case WM_DPICHANGED:
        OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    default:
        break;
    }
    if (nMsg == m_nTaskbarCreated && m_nTaskbarCreated != 0) {
        m_notifyIcon.OnTaskbarCreated();
        return 0;
    }
    if (nMsg == AFX_WM_ON_CLOSEPOPUPWINDOW)
        return OnClosePopupWindow(wParam, lParam);
    return CDialog::WindowProc(nMsg, wParam, lParam);
}

bool CDlgMain::PreTranslateMessage(MSG& msg)
{
    if (m_toolTip.m_hWnd != nullptr)
        m_toolTip.RelayEvent(&msg);
    return CDialog::PreTranslateMessage(msg);
}

bool CDlgMain::OnCommand(UINT nId, UINT nCode, HWND hControl)
{
    // A double click on a label or icon sends a click and then STN_DBLCLK with the same id:
    // the page opens once, on the click.
    if (hControl != nullptr && nCode != STN_CLICKED)
        return CDialog::OnCommand(nId, nCode, hControl);
    const CSettings& settings = CSettings::GetInstance();
    switch (nId) {
    case IDC_SMS_TITLE:
    case IDC_SMS_ICON:
        OpenAddress(settings.m_strSmsInboxUrl);
        m_bUnseenEvents = 0;
        RefreshDisplay();
        return true;
    case IDC_CALLS_TITLE:
    case IDC_CALLS_ICON:
        OpenAddress(settings.m_strMissedCallsUrl);
        m_bUnseenEvents = 0;
        RefreshDisplay();
        return true;
    case IDC_STATUS_TITLE:
        OpenAddress(settings.m_strOverviewUrl);
        return true;
    case IDC_UPDATE_TITLE:
        OnUpgradeLink();
        return true;
    case IDC_SMS_PREV:
        OnPreviousSms();
        return true;
    case IDC_SMS_NEXT:
        OnNextSms();
        return true;
    default:
        return CDialog::OnCommand(nId, nCode, hControl);
    }
}

void CDlgMain::OnPreviousSms()
{
    m_smsList.MoveToNewer();
    RefreshDisplay();
}

void CDlgMain::OnNextSms()
{
    m_smsList.MoveToOlder();
    RefreshDisplay();
}

bool CDlgMain::OnNotify(NMHDR* pHeader, LRESULT* pResult)
{
    if (pHeader->idFrom == IDC_CALLS_LIST && pHeader->code == LVN_ITEMCHANGED) {
        OnMissedCallItemChanged();
        *pResult = 0;
        return true;
    }
    if (pHeader->idFrom == IDC_UPDATE_LINK && pHeader->code == NM_CLICK) {
        OnUpgradeLink();
        *pResult = 0;
        return true;
    }
    return CDialog::OnNotify(pHeader, pResult);
}

LRESULT CDlgMain::OnClosePopupWindow(WPARAM wParam, LPARAM lParam)
{
    return CDesktopAlert::OnClosePopupWindow(wParam, lParam);
}

ControlFacts CDlgMain::CursorFacts(HWND hControl, int nId) const
{
    ControlFacts facts;
    switch (nId) {
    case IDC_SMS_SENDER:
    case IDC_SMS_TIME: {
        const int nLength = ::GetWindowTextLengthW(hControl);
        facts.strText.resize(static_cast<size_t>(nLength) + 1);
        facts.strText.resize(static_cast<size_t>(::GetWindowTextW(hControl, facts.strText.data(), nLength + 1)));
        RECT rc = {};
        ::GetWindowRect(hControl, &rc);
        CClientDC dc(hControl);
        SIZE size = {};
        if (dc.Get() != nullptr && dc.Select(reinterpret_cast<HFONT>(::SendMessageW(hControl, WM_GETFONT, 0, 0))) &&
            ::GetTextExtentPoint32W(dc.Get(), facts.strText.c_str(), static_cast<int>(facts.strText.size()), &size))
            facts.bTextCut = size.cx > rc.right - rc.left;
        break;
    }
    case IDC_SIGNAL_ICON:
        facts.strSignalText = m_status.GetSignalText();
        break;
    case IDC_UPDATE_TITLE:
    case IDC_UPDATE_LINK:
        facts.bUpdateOffered = m_offer.IsActionable();
        facts.bNotifierOffer = CSettings::GetInstance().m_nLiveUpdateStatus == 1;
        break;
    default:
        break;
    }
    return facts;
}

BOOL CDlgMain::OnSetCursor(HWND hWnd, UINT nHitTest, UINT nMouseMsg)
{
    if (hWnd == nullptr || hWnd == m_hWnd || m_toolTip.m_hWnd == nullptr)
        return CDialog::OnSetCursor(hWnd, nHitTest, nMouseMsg);
    const int nId = ::GetDlgCtrlID(hWnd);
    const ControlPointer pointer = PointerOfControl(nId, CursorFacts(hWnd, nId));
    // Registered anew at every cursor message, so the text always tells the current state.
    if (pointer.bTool)
        m_toolTip.AddTool(hWnd, pointer.strTip.c_str());
    if (!pointer.bHand)
        return CDialog::OnSetCursor(hWnd, nHitTest, nMouseMsg);
    static const HCURSOR s_hHand = ::LoadCursorW(nullptr, IDC_HAND);
    ::SetCursor(s_hHand);
    return TRUE;
}

HBRUSH CDlgMain::OnCtlColor(HDC hDC, HWND hControl, UINT nCtlColor)
{
    const HBRUSH hBrush = CDialog::OnCtlColor(hDC, hControl, nCtlColor);
    if (nCtlColor == CTLCOLOR_STATIC && IsGroupTitle(::GetDlgCtrlID(hControl)))
        ::SetTextColor(hDC, kTitleColour);
    return hBrush;
}

void CDlgMain::OnSysCommand(UINT nId, LPARAM lParam)
{
    if ((nId & 0xFFF0) != IDM_ABOUTBOX) {
        CDialog::OnSysCommand(nId, lParam);
        return;
    }
    // From the system menu or the tray menu: the open box comes to the front, never a second.
    CDlgAbout& about = CDlgAbout::GetInstance();
    if (about.m_hWnd != nullptr && ::IsWindow(about.m_hWnd)) {
        about.ShowWindow(SW_SHOW);
        about.SetForegroundWindow();
        return;
    }
    about.DoModal();
}

void CDlgMain::OnPaint()
{
    if (!::IsIconic(m_hWnd)) {
        CDialog::OnPaint();
        return;
    }
    // Minimised (the window has no minimise box, so only in theory): the icon, centred.
    PAINTSTRUCT ps;
    const HDC hDC = ::BeginPaint(m_hWnd, &ps);
    ::SendMessageW(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(hDC), 0);
    RECT rc = {};
    GetClientRect(&rc);
    const int cx = ::GetSystemMetrics(SM_CXICON);
    const int cy = ::GetSystemMetrics(SM_CYICON);
    ::DrawIcon(hDC, (rc.right - rc.left - cx + 1) / 2, (rc.bottom - rc.top - cy + 1) / 2, m_hAppIcon);
    ::EndPaint(m_hWnd, &ps);
}

void CDlgMain::OnTimer(UINT_PTR nIdEvent)
{
    ConnectIfNeeded();
    CDialog::OnTimer(nIdEvent);
}

void CDlgMain::OnActivate(UINT nState, HWND hOther, bool bMinimized)
{
    CDialog::OnActivate(nState, hOther, bMinimized);
    const struct {
        CStaticBold& label;
        uint32_t nText;
    } titles[] = {
        {m_lblSmsTitle, IDS_SMS_MESSAGES}, {m_lblMissedCallsTitle, IDS_MISSED_CALLS}, {m_lblUpdateTitle, IDS_UPGRADE}};
    for (const auto& title : titles) {
        title.label.SetWindowText(AppString(title.nText).c_str());
        title.label.AutoResize();
    }
    if (nState == WA_INACTIVE)
        ShowWindow(SW_HIDE);
}

void CDlgMain::OnDestroy()
{
    Shutdown();
}

void CDlgMain::Shutdown()
{
    if (m_nTimerId != 0 && !KillTimer(m_nTimerId))
        XLog(L"CDlgMain::Shutdown: NOK, %d.", GetLastError());
    m_sockClient.Close();
    m_notifyIcon.Destroy();
    // The open popup goes with its owner; the waiting alerts are dropped.
    CDesktopAlert::Shutdown();
}

void CDlgMain::PostNcDestroy()
{
    delete this;
}

HCURSOR CDlgMain::OnQueryDragIcon()
{
    return static_cast<HCURSOR>(m_hAppIcon);
}

void CDlgMain::OnTrayNotify(LPARAM lParam)
{
    switch (static_cast<UINT>(lParam)) {
    case WM_CONTEXTMENU:
    case WM_RBUTTONUP: {
        POINT pt = {};
        GetCursorPos(&pt);
        OnTrayCommand(m_notifyIcon.TrackMenu(this, pt));
        break;
    }
    case WM_LBUTTONDBLCLK:
        ShowStatusWindow();
        break;
    default:
        break;
    }
}

void CDlgMain::OnTrayCommand(UINT nCommand)
{
    switch (nCommand) {
    case ID_TRAY_NOTIFIER_VIEW:
        ShowStatusWindow();
        break;
    case ID_TRAY_WEB_VIEW:
        OpenAddress(CSettings::GetInstance().m_strOverviewUrl);
        break;
    case IDM_ABOUTBOX:
        PostMessage(WM_SYSCOMMAND, IDM_ABOUTBOX);
        break;
    case ID_TRAY_EXIT:
        AfxRequestStop(this);
        break;
    default:
        break;
    }
}

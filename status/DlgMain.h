// The status window and hub of the program: it owns the router link, the router's state,
// the tray icon, the SMS and missed-call lists and the layout; every router message ends in
// one of its operations, and RefreshDisplay brings the window and the tray up to date after
// every change. It lives from start-up to the end of the program; destroying it ends it.
// Its portable halves: the refresh's texts and icons in status/StatusView.h, the connect
// tick in link/LinkDriver.h, the layout's arithmetic in status/DialogLayout.h.
#pragma once
#include <windows.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "alerts/MissedCallList.h"
#include "alerts/SmsMessageList.h"
#include "app/Settings.h"
#include "framework/Dialog.h"
#include "framework/ListCtrl.h"
#include "framework/Static.h"
#include "framework/ToolTipCtrl.h"
#include "link/RouterEvents.h"
#include "link/SockClient.h"
#include "status/ControlPointer.h"
#include "status/DeviceStatus.h"
#include "status/DlgBase.h"
#include "status/LabelImages.h"
#include "status/NotifyIcon.h"
#include "status/StaticBold.h"
#include "status/WindowMetrics.h"
#include "update/UpdateOffer.h"

// Requests from another start of the program (both parameters 0).
constexpr UINT WM_APP_SHOW_STATUS = WM_APP + 2;
constexpr UINT WM_APP_STOP = WM_APP + 3;
// Posted by a refresh to the window itself: what is slow to show (the signal image, the tray
// icon) goes out once for a burst of refreshes.
constexpr UINT WM_APP_SHOW_CHANGES = WM_APP + 4;

class CDlgMain : public CDialog, public IRouterEvents {
public:
    CDlgMain();
    ~CDlgMain() override;

    void RefreshDisplay();
    void ShowStatusWindow();
    // One tick of timer 1: the link watchdog and, while the link is down, a new attempt.
    void ConnectIfNeeded();

    // The router link's receivers.
    void SetConnectionState(int32_t nState) override;
    void ProcessReceivedSmsMessage(const uint8_t* pMessage, uint32_t nLength) override;
    void ReportCall(const std::wstring& strCaller) override;
    void ProcessMissedCallMessage(const uint8_t* pMessage, uint32_t nLength) override;
    void SetRegistrationState(int32_t nCS, int32_t nPS, int32_t nTechnology, const std::wstring& strOperator) override;
    void SetSignalStrength(int32_t nLevel) override;
    void SetConnectedUsersCount(int32_t nKind, int32_t nCount) override;
    void ReportError(const std::wstring& strText) override;
    void ReportSoftwareRequired(const std::wstring& strVersion, const std::wstring& strUrl) override;
    void ReportLiveUpdateStatus(int32_t nStatus) override;
    void SetRouterConnected(bool bConnected) override;
    bool IsRouterConnected() const override { return m_status.m_bConnected != 0; }
    void ShowReceiveErrorBox(const std::wstring& strText) override;

    LRESULT WindowProc(UINT nMsg, WPARAM wParam, LPARAM lParam) override;
    bool PreTranslateMessage(MSG& msg) override;

protected:
    void DoDataExchange() override;
    void PostNcDestroy() override;
    BOOL OnInitDialog() override;
    // Enter and Escape neither close nor hide the window.
    void OnOK() override {}
    void OnCancel() override {}

    bool OnCommand(UINT nId, UINT nCode, HWND hControl) override;
    void OnTimer(UINT_PTR nIdEvent) override;
    void OnActivate(UINT nState, HWND hOther, bool bMinimized) override;
    void OnDestroy() override;
    HCURSOR OnQueryDragIcon() override;
    bool OnNotify(NMHDR* pHeader, LRESULT* pResult) override;
    BOOL OnSetCursor(HWND hWnd, UINT nHitTest, UINT nMouseMsg) override;
    HBRUSH OnCtlColor(HDC hDC, HWND hControl, UINT nCtlColor) override;
    void OnPaint() override;
    void OnSysCommand(UINT nId, LPARAM lParam) override;

private:
    // WM_DESTROY: timer, socket and tray icon go; the window's own destroy processing is
    // not run.
    void Shutdown();
    void OnTrayNotify(LPARAM lParam);
    void OnTrayCommand(UINT nCommand);
    void ShowControl(int nId, bool bShow);
    void SetControlText(int nId, const std::wstring& strText);
    HICON SignalIcon(uint32_t nId);
    // WM_DPICHANGED: the window moved to a screen of another DPI, or its screen's scale
    // changed. Layout, list columns and images follow nDpi; the window takes the suggested
    // width and goes back to the work area's corner.
    void OnDpiChanged(UINT nDpi, const RECT& rcSuggested);
    // The icon labels' images at nDpi: the template's and the signal image.
    void ScaleImages(UINT nDpi);
    // The missed-call list's column widths at nDpi.
    MissedCallColumns MissedCallColumnsAt(UINT nDpi);
    // Shows what the refreshes since the last call left to show later.
    void ShowDeferredChanges();
    // What a router report about updates asks of the window, then the refresh.
    void ApplyUpdateReport(const CUpdateReport& report);
    // Command 1015 and a click on the link 1016: act on the update offer.
    void OnUpgradeLink();
    // Commands 1021 and 1022: towards the newest and towards the oldest SMS.
    void OnPreviousSms();
    void OnNextSms();
    // LVN_ITEMCHANGED of the missed-call list: the counter label 1018.
    void OnMissedCallItemChanged();
    // AFX_WM_ON_CLOSEPOPUPWINDOW: a desktop alert closed; the next waiting one opens.
    LRESULT OnClosePopupWindow(WPARAM wParam, LPARAM lParam);
    // What a control's tooltip and pointer depend on.
    ControlFacts CursorFacts(HWND hControl, int nId) const;

public:
    CToolTipCtrl m_toolTip;
    HICON m_hAppIcon = nullptr;
    CNotifyIcon m_notifyIcon;
    UINT_PTR m_nTimerId = 0;
    CStaticBold m_lblSmsTitle;
    CStaticBold m_lblMissedCallsTitle;
    CStaticBold m_lblStatusTitle;
    CStatic m_lblNoConnection;
    CStatic m_lblStatusLine;
    CStatic m_icoSignal;
    CStatic m_lblTechnology;
    CStatic m_lblUsers;
    CSockClient m_sockClient;
    CDeviceStatus m_status;
    CSmsMessageList m_smsList;
    CMissedCallList m_missedCallList;
    int32_t m_bUnseenEvents = 0;
    CStaticBold m_lblUpdateTitle;
    CDlgBase m_dlgBase;
    CListCtrl m_lstMissedCalls;
    // The update offer and the text of the update link, which is its state.
    CUpdateOffer m_offer{CSettings::GetInstance()};

private:
    UINT m_nTaskbarCreated = 0;
    // What the refresh last put into the controls it fills, and the text of 1020 as set
    // when the window was made. The layout shows and hides controls of its own accord, so a
    // showing forgets the visibilities.
    struct CShownControls {
        std::map<int, std::wstring> texts;
        std::map<int, bool> visible;
        std::optional<HICON> shownSignalIcon;   // what 1013 shows, once set
        std::optional<HICON> wantedSignalIcon;  // what it is to show, once the link was up
        bool bChangesPosted = false;
        CLabelImages images;  // of the icon labels, at the window's DPI
        std::wstring strNoConnection;
    } m_shown;
};

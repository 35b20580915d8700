// The alert manager: shows the desktop alerts that the event reporting and the update
// handling raise, one popup at a time, the others waiting in their queues (CAlertQueue).
// One per process, made on first use, lives until the process ends.
//
// The main window wires it in two places: its handler of AFX_WM_ON_CLOSEPOPUPWINDOW returns
// CDesktopAlert::OnClosePopupWindow, which opens the next waiting alert where the closed
// popup was; and its shutdown calls CDesktopAlert::Shutdown, after which nothing opens any
// more. Either order of the main window's end and Shutdown is safe: a popup that goes with
// its owner is forgotten (OnPopupGone).
#pragma once
#include <windows.h>

#include <utility>
#include <vector>

#include "alerts/AlertPopupHost.h"
#include "alerts/AlertQueue.h"
#include "alerts/DesktopAlertItem.h"
#include "app/SysWrappers.h"
#include "framework/MFCToolBarImages.h"

class CMFCDesktopAlertWndEx;

class CDesktopAlert : private IAlertPopupFactory {
public:
    static CDesktopAlert& GetInstance();
    // As Shutdown.
    virtual ~CDesktopAlert();
    CDesktopAlert(const CDesktopAlert&) = delete;
    CDesktopAlert& operator=(const CDesktopAlert&) = delete;

    // Queues an alert of the kind (one of the four) with its texts (null: empty) and opens
    // it at once if no popup is open.
    void AddAlert(AlertKind nKind, const wchar_t* pszPlainText, const wchar_t* pszLinkText);
    // Opens the next waiting alert unless a popup is open.
    void ShowNext();
    // The open popup closed at ptLastPos: the next one opens there.
    void OnPopupClosed(POINT ptLastPos);
    // For the main window's handler of AFX_WM_ON_CLOSEPOPUPWINDOW (lParam: the closing
    // popup): OnPopupClosed with its last position if it is the open popup. Returns 0.
    static LRESULT OnClosePopupWindow(WPARAM wParam, LPARAM lParam);
    // For the main window's shutdown: the open popup is destroyed, the waiting alerts are
    // dropped, and no popup opens from then on (nor for an alert added later).
    static void Shutdown();
    // Alerts waiting behind the open popup.
    size_t GetWaitingCount() const { return m_alertQueue.GetWaitingCount(); }

    // A popup's object is going: forgotten if it is the open one (its window went with its
    // owner). Makes no manager.
    static void OnPopupGone(const CMFCDesktopAlertWndEx* pPopup);
    // The application icon at the small-icon size of the DPI, loaded once per size: the
    // popups' small icon.
    HICON SmallAppIcon(UINT nDpi);

    // The four kind images, 32 x 32, from bitmap 136.
    CMFCToolBarImages m_Images;
    // Popup settings, fixed at construction.
    int m_nAnimationType;
    UINT m_nAnimationSpeed;  // ms per slide step
    BYTE m_nTransparency;    // 0 invisible .. 255 opaque
    BOOL m_bSmallCaption;
    UINT m_nAutoCloseTime;  // seconds

    // The popup now open, or null; the popup deletes itself when its window goes.
    static IAlertPopup* s_pPopup;
    // Where the next popup opens; (-1, -1): the default place.
    static AlertPoint s_ptLastPos;

private:
    CDesktopAlert();
    // Opens the popup of one alert.
    IAlertPopup* ShowAlert(const CDesktopAlertItem& item, AlertPoint ptPos) override;

    CAlertQueue m_alertQueue;
    XIcon m_kindIcons[kAlertKindCount];
    std::vector<std::pair<int, XIcon>> m_smallIcons;

    static CDesktopAlert* s_pInstance;
};

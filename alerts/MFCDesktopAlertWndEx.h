// The program's desktop-alert popup: a click on its link becomes a command of the main
// window, which carries it out as if its own control had been clicked (1002 SMS inbox,
// 1005 missed calls, 1015 update). The alert manager knows it as its open popup.
#pragma once
#include <windows.h>

#include "alerts/AlertPopupHost.h"
#include "framework/MFCDesktopAlertWnd.h"

class CMFCDesktopAlertWndEx : public CMFCDesktopAlertWnd, public IAlertPopup {
public:
    CMFCDesktopAlertWndEx() = default;
    // Tells the alert manager that the popup is gone, however it went.
    ~CMFCDesktopAlertWndEx() override;

    // Command 0 is no command: not handled. Any other is posted to the application's main
    // window as WM_COMMAND (the id in the low word, 0 above it, lParam 0); handled if posted.
    bool OnClickLinkButton(UINT nURLCmdID) override;

    // The alert manager's end of the program: the window goes without a close report.
    void DestroyPopup() override;

protected:
    // The application's small icon at the popup's new DPI.
    void ReloadIcons(UINT nDpi) override;
};

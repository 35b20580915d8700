#include "alerts/MFCDesktopAlertWndEx.h"

#include "alerts/DesktopAlert.h"
#include "framework/WinApp.h"

CMFCDesktopAlertWndEx::~CMFCDesktopAlertWndEx()
{
    CDesktopAlert::OnPopupGone(this);
}

bool CMFCDesktopAlertWndEx::OnClickLinkButton(UINT nURLCmdID)
{
    if (nURLCmdID == 0)
        return false;
    CWinApp* pApp = AfxGetApp();
    CWnd* pMainWnd = pApp != nullptr ? pApp->m_pMainWnd : nullptr;
    if (pMainWnd == nullptr || pMainWnd->m_hWnd == nullptr)
        return false;
    return pMainWnd->PostMessage(WM_COMMAND, MAKEWPARAM(nURLCmdID, 0), 0);
}

void CMFCDesktopAlertWndEx::DestroyPopup()
{
    DestroyWindow();
}

void CMFCDesktopAlertWndEx::ReloadIcons(UINT nDpi)
{
    SetIcon(CDesktopAlert::GetInstance().SmallAppIcon(nDpi), false);
}

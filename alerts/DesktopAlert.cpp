#include "alerts/DesktopAlert.h"

#include "alerts/MFCDesktopAlertWndEx.h"
#include "app/Log.h"
#include "app/ResourceModule.h"
#include "app/StringLoader.h"
#include "app/SysWrappers.h"
#include "framework/WinApp.h"
#include "resources/StringIds.h"
#include "resources/resource.h"

namespace {
constexpr LONG kKindImageSize = 32;

// The main window's command for a click on the link of each kind; 0: none.
UINT LinkCommandOf(AlertKind nKind)
{
    switch (nKind) {
    case AlertIncomingCall:
        return IDC_CALLS_TITLE;
    case AlertSms:
        return IDC_SMS_TITLE;
    case AlertUpdate:
        return IDC_UPDATE_TITLE;
    default:
        return 0;
    }
}
}  // namespace

IAlertPopup* CDesktopAlert::s_pPopup = nullptr;
AlertPoint CDesktopAlert::s_ptLastPos;
CDesktopAlert* CDesktopAlert::s_pInstance = nullptr;

CDesktopAlert& CDesktopAlert::GetInstance()
{
    static CDesktopAlert s_alert;
    return s_alert;
}

CDesktopAlert::CDesktopAlert()
    : m_nAnimationType(CMFCDesktopAlertWnd::SLIDE), m_nAnimationSpeed(45), m_nTransparency(200), m_bSmallCaption(TRUE),
      m_nAutoCloseTime(6), m_alertQueue(*this, s_pPopup, s_ptLastPos)
{
    m_Images.SetImageSize(SIZE{kKindImageSize, kKindImageSize});
    // A strip that fails to load stays empty: popups then show no icon.
    m_Images.Load(IDB_ALERT_IMAGES);
    // One icon per kind for the whole run, rather than a new one for every popup.
    for (int nKind = 0; nKind < kAlertKindCount && nKind < m_Images.GetCount(); ++nKind)
        m_kindIcons[nKind].Reset(m_Images.ExtractIcon(nKind));
    s_pInstance = this;
}

CDesktopAlert::~CDesktopAlert()
{
    m_alertQueue.Shutdown();
    s_pInstance = nullptr;
}

void CDesktopAlert::AddAlert(AlertKind nKind, const wchar_t* pszPlainText, const wchar_t* pszLinkText)
{
    m_alertQueue.AddAlert(CDesktopAlertItem(nKind, pszPlainText, pszLinkText));
}

void CDesktopAlert::ShowNext()
{
    m_alertQueue.ShowNext();
}

void CDesktopAlert::OnPopupClosed(POINT ptLastPos)
{
    m_alertQueue.OnPopupClosed(AlertPoint{ptLastPos.x, ptLastPos.y});
}

LRESULT CDesktopAlert::OnClosePopupWindow(WPARAM, LPARAM lParam)
{
    // Only the manager's own popups are ever open, so the open one can be compared as a
    // window without reading anything behind lParam.
    auto* pOpen = static_cast<CMFCDesktopAlertWndEx*>(s_pPopup);
    CMFCDesktopAlertWnd* pOpenWnd = pOpen;
    if (pOpen != nullptr && reinterpret_cast<LPARAM>(pOpenWnd) == lParam)
        GetInstance().OnPopupClosed(pOpen->GetLastPos());
    return 0;
}

void CDesktopAlert::Shutdown()
{
    GetInstance().m_alertQueue.Shutdown();
}

void CDesktopAlert::OnPopupGone(const CMFCDesktopAlertWndEx* pPopup)
{
    if (s_pInstance != nullptr)
        s_pInstance->m_alertQueue.OnPopupGone(pPopup);
}

HICON CDesktopAlert::SmallAppIcon(UINT nDpi)
{
    const int cx = GetSystemMetricsForDpi(SM_CXSMICON, nDpi);
    const int cy = GetSystemMetricsForDpi(SM_CYSMICON, nDpi);
    for (const auto& entry : m_smallIcons) {
        if (entry.first == cx)
            return entry.second.Get();
    }
    XIcon icon(static_cast<HICON>(
        LoadImageW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, cx, cy, LR_DEFAULTCOLOR)));
    if (!icon)
        return nullptr;
    m_smallIcons.emplace_back(cx, std::move(icon));
    return m_smallIcons.back().second.Get();
}

IAlertPopup* CDesktopAlert::ShowAlert(const CDesktopAlertItem& item, AlertPoint ptPos)
{
    auto* pPopup = new CMFCDesktopAlertWndEx();
    pPopup->SetAnimationType(m_nAnimationType);
    pPopup->SetAnimationSpeed(m_nAnimationSpeed);
    pPopup->SetTransparency(m_nTransparency);
    pPopup->SetSmallCaption(m_bSmallCaption != FALSE);
    pPopup->SetAutoCloseTime(m_nAutoCloseTime * 1000);

    CMFCDesktopAlertWndInfo info;
    info.m_hIcon = m_kindIcons[item.m_nKind].Get();
    info.m_strText = item.m_strPlainText;
    info.m_strURL = item.m_strLinkText;
    info.m_nURLCmdID = LinkCommandOf(item.m_nKind);

    CWinApp* pApp = AfxGetApp();
    if (!pPopup->Create(pApp != nullptr ? pApp->m_pMainWnd : nullptr, info, nullptr, POINT{ptPos.x, ptPos.y})) {
        XLog(2, L"CDesktopAlert::ShowAlert, CMFCDesktopAlertWnd::Create: NOK, %d.", GetLastError());
        delete pPopup;
        return nullptr;
    }
    pPopup->SetIcon(SmallAppIcon(GetDpiForWindow(pPopup->m_hWnd)), false);
    XBuffer<wchar_t> title(LoadAppString(IDS_APP_TITLE));
    pPopup->SetWindowText(title.Get());
    return pPopup;
}

#include "status/NotifyIcon.h"

#include <utility>

#include "app/Log.h"
#include "app/ResourceModule.h"
#include "app/SysWrappers.h"
#include "framework/MessageBox.h"
#include "framework/ResourceException.h"
#include "framework/Wnd.h"
#include "resources/resource.h"

namespace {

// The one icon of the window, as the shell knows it (not a resource).
constexpr UINT kIconId = 1;
constexpr size_t kTipChars = sizeof(NOTIFYICONDATAW::szTip) / sizeof(wchar_t);  // 128

// The size of the shell's small icons at nDpi, the one it shows tray icons at.
int SmallIconSize(UINT nDpi)
{
    const int nSize = GetSystemMetricsForDpi(SM_CXSMICON, nDpi);
    return nSize > 0 ? nSize : 16;
}

}  // namespace

CNotifyIcon::CNotifyIcon()
{
    ZeroMemory(&m_data, sizeof(m_data));
    m_data.cbSize = sizeof(m_data);
    m_nImageSize = SmallIconSize(GetDpiForSystem());
    m_icons = LoadImages(m_nImageSize);
}

std::map<uint32_t, XIcon> CNotifyIcon::LoadImages(int nSize)
{
    // 148 to 154 first, then the attention variants 141 to 147.
    const uint32_t aOrder[] = {IDI_TRAY_0,        IDI_TRAY_1,          IDI_TRAY_2,        IDI_TRAY_3,
                               IDI_TRAY_4,        IDI_TRAY_5,          IDI_TRAY_NONE,     IDI_TRAY_UNSEEN_0,
                               IDI_TRAY_UNSEEN_1, IDI_TRAY_UNSEEN_2,   IDI_TRAY_UNSEEN_3, IDI_TRAY_UNSEEN_4,
                               IDI_TRAY_UNSEEN_5, IDI_TRAY_UNSEEN_NONE};
    std::map<uint32_t, XIcon> icons;
    for (uint32_t nId : aOrder) {
        icons[nId] = XIcon(static_cast<HICON>(
            LoadImageW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(nId), IMAGE_ICON, nSize, nSize, LR_DEFAULTCOLOR)));
    }
    return icons;
}

void CNotifyIcon::SetDpi(uint32_t nDpi)
{
    const int nSize = SmallIconSize(nDpi);
    if (nSize == m_nImageSize)
        return;
    uint32_t nWantedId = 0;
    bool bShellShowsOne = false;
    for (const auto& [nId, icon] : m_icons) {
        if (icon.Get() == m_data.hIcon)
            nWantedId = nId;
        bShellShowsOne = bShellShowsOne || (m_bAdded && icon.Get() == m_hShellIcon);
    }
    // The image the shell shows stays until it shows one of the new size.
    std::map<uint32_t, XIcon> icons = LoadImages(nSize);
    if (bShellShowsOne)
        m_retiredIcons = std::exchange(m_icons, std::move(icons));
    else
        m_icons = std::move(icons);
    m_nImageSize = nSize;
    if (nWantedId != 0)
        m_data.hIcon = m_icons[nWantedId].Get();
}

CNotifyIcon::~CNotifyIcon()
{
    m_menu.DestroyMenu();
}

void CNotifyIcon::Create(CWnd* pWindow)
{
    const UINT nDpi = GetDpiForWindow(pWindow->m_hWnd);
    if (nDpi != 0)
        SetDpi(nDpi);
    m_data.hWnd = pWindow->m_hWnd;
    m_data.uID = kIconId;
    m_data.uCallbackMessage = WM_APP_TRAY_NOTIFY;
    m_data.hIcon = m_icons[IDI_TRAY_NONE].Get();
    if (!m_menu.LoadMenu(IDR_TRAY_MENU)) {
        XLog(3, L"CNotifyIcon::CNotifyIcon, LoadMenu: NOK.");
        throw CResourceException();
    }
}

bool CNotifyIcon::CallShell(DWORD nRequest, UINT nFlags)
{
    ++m_nShellCalls;
    m_data.uFlags = nFlags;
    return Shell_NotifyIconW(nRequest, &m_data) != FALSE;
}

bool CNotifyIcon::Add(bool bWithTip)
{
    if (!CallShell(NIM_ADD, NIF_MESSAGE | NIF_ICON | (bWithTip ? NIF_TIP : 0)))
        return false;
    m_bAdded = 1;
    m_hShellIcon = m_data.hIcon;
    m_retiredIcons.clear();
    m_strShellTip = bWithTip ? m_data.szTip : L"";
    return true;
}

UINT CNotifyIcon::StaleFlags() const
{
    if (!m_bAdded)
        return 0;
    UINT nFlags = 0;
    if (m_data.hIcon != m_hShellIcon)
        nFlags |= NIF_ICON;
    if (m_strShellTip != m_data.szTip)
        nFlags |= NIF_TIP;
    return nFlags;
}

void CNotifyIcon::ShowErrorBox()
{
    // The box runs its own message loop, in which every refresh tries again; while the shell
    // keeps refusing, one box at a time is enough.
    if (m_bErrorBoxOpen)
        return;
    m_bErrorBoxOpen = true;
    AfxMessageBox(L"Application error.", MB_OK);
    m_bErrorBoxOpen = false;
}

void CNotifyIcon::Show(uint32_t nIconId)
{
    auto it = m_icons.find(nIconId);
    if (it == m_icons.end()) {
        XLog(3, L"CNotifyIcon::Show, nIconId[%d] not found in resources!", nIconId);
        return;
    }
    m_data.hIcon = it->second.Get();
    if (m_bAdded)
        return;
    // Not in the tray yet: added now, without the tooltip it cannot have had.
    if (!Add(false))
        ShowErrorBox();
}

void CNotifyIcon::SetText(const wchar_t* pszText)
{
    if (!m_bAdded) {
        XLog(3, L"CNotifyIcon::SetText: improper call, ignored.");
        return;
    }
    size_t n = 0;
    if (pszText != nullptr)
        for (; n < kTipChars - 1 && pszText[n] != L'\0'; ++n)
            m_data.szTip[n] = pszText[n];
    m_data.szTip[n] = L'\0';
}

void CNotifyIcon::Flush()
{
    const UINT nFlags = StaleFlags();
    if (nFlags == 0)
        return;
    if (CallShell(NIM_MODIFY, nFlags)) {
        m_hShellIcon = m_data.hIcon;
        m_strShellTip = m_data.szTip;
        m_retiredIcons.clear();
        return;
    }
    if (nFlags & NIF_TIP)
        XLog(3, L"CNotifyIcon::SetText, Shell_NotifyIcon: 0x%x.", GetLastError());
    if (nFlags & NIF_ICON)
        ShowErrorBox();
}

void CNotifyIcon::Destroy()
{
    if (m_bAdded) {
        if (!CallShell(NIM_DELETE, 0)) {
            XLog(3, L"CNotifyIcon::Destroy, Shell_NotifyIcon: 0x%x.", GetLastError());
            // The shell may still show them: the images stay to the end of the process.
            for (auto* pIcons : {&m_icons, &m_retiredIcons}) {
                for (auto& entry : *pIcons)
                    entry.second.Detach();
                pIcons->clear();
            }
            return;
        }
        m_bAdded = 0;
    }
    m_icons.clear();
    m_retiredIcons.clear();
}

void CNotifyIcon::OnTaskbarCreated()
{
    m_bAdded = 0;
    if (!Add(true))
        ShowErrorBox();
}

UINT CNotifyIcon::TrackMenu(CWnd* pWindow, POINT pt)
{
    pWindow->SetForegroundWindow();
    CMenu popup = m_menu.GetSubMenu(0);
    if (popup.m_hMenu == nullptr)
        return 0;
    const UINT nCommand = popup.TrackPopupMenu(TPM_RIGHTBUTTON | TPM_BOTTOMALIGN | TPM_RETURNCMD, pt.x, pt.y, pWindow);
    // Lets the menu close properly when the user clicks elsewhere.
    pWindow->PostMessage(WM_NULL);
    return nCommand;
}

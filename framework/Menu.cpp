#include "framework/Menu.h"

#include <utility>

#include "app/ResourceModule.h"
#include "framework/ModalLoop.h"
#include "framework/Wnd.h"

CMenu::~CMenu()
{
    DestroyMenu();
}

CMenu::CMenu(CMenu&& other) noexcept
    : m_hMenu(std::exchange(other.m_hMenu, nullptr)), m_bOwned(std::exchange(other.m_bOwned, false))
{
}

CMenu& CMenu::operator=(CMenu&& other) noexcept
{
    if (this != &other) {
        DestroyMenu();
        m_hMenu = std::exchange(other.m_hMenu, nullptr);
        m_bOwned = std::exchange(other.m_bOwned, false);
    }
    return *this;
}

CMenu CMenu::FromHandle(HMENU hMenu)
{
    CMenu menu;
    menu.m_hMenu = hMenu;
    return menu;
}

bool CMenu::LoadMenu(UINT nId)
{
    if (m_hMenu) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    HMENU hMenu = ::LoadMenuW(AfxGetResourceHandle(), MAKEINTRESOURCEW(nId));
    if (!hMenu)
        return false;
    return Attach(hMenu);
}

bool CMenu::Attach(HMENU hMenu)
{
    if (m_hMenu || !hMenu) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    m_hMenu = hMenu;
    m_bOwned = true;
    return true;
}

HMENU CMenu::Detach()
{
    m_bOwned = false;
    return std::exchange(m_hMenu, nullptr);
}

bool CMenu::DestroyMenu()
{
    HMENU hMenu = std::exchange(m_hMenu, nullptr);
    const bool bOwned = std::exchange(m_bOwned, false);
    if (!hMenu || !bOwned)
        return true;
    return ::DestroyMenu(hMenu) != FALSE;
}

CMenu CMenu::GetSubMenu(int nPos) const
{
    return FromHandle(m_hMenu ? ::GetSubMenu(m_hMenu, nPos) : nullptr);
}

bool CMenu::AppendMenu(UINT nFlags, UINT_PTR nIdNewItem, const wchar_t* pszNewItem)
{
    return ::AppendMenuW(m_hMenu, nFlags, nIdNewItem, pszNewItem) != FALSE;
}

UINT CMenu::TrackPopupMenu(UINT nFlags, int x, int y, const CWnd* pOwner) const
{
    CModalLoop loop(0);
    if (loop.IsRefused())
        return 0;
    const BOOL nResult = ::TrackPopupMenu(m_hMenu, nFlags, x, y, 0, pOwner ? pOwner->m_hWnd : nullptr, nullptr);
    return static_cast<UINT>(nResult);
}

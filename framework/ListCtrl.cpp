#include "framework/ListCtrl.h"

#include <commctrl.h>

int CListCtrl::InsertColumn(int nCol, const wchar_t* pszHeading, int nFormat, int nWidth)
{
    LVCOLUMNW column = {};
    column.mask = LVCF_FMT | LVCF_TEXT;
    column.fmt = nFormat;
    column.pszText = const_cast<wchar_t*>(pszHeading ? pszHeading : L"");
    if (nWidth >= 0) {
        column.mask |= LVCF_WIDTH;
        column.cx = nWidth;
    }
    return static_cast<int>(
        ::SendMessageW(m_hWnd, LVM_INSERTCOLUMNW, static_cast<WPARAM>(nCol), reinterpret_cast<LPARAM>(&column)));
}

bool CListCtrl::SetColumnWidth(int nCol, int nWidth)
{
    return ::SendMessageW(m_hWnd, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(nCol), MAKELPARAM(nWidth, 0)) != 0;
}

int CListCtrl::InsertItem(int nItem, const wchar_t* pszText)
{
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = nItem;
    item.pszText = const_cast<wchar_t*>(pszText ? pszText : L"");
    return static_cast<int>(::SendMessageW(m_hWnd, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

bool CListCtrl::SetItemText(int nItem, int nSubItem, const wchar_t* pszText)
{
    LVITEMW item = {};
    item.iSubItem = nSubItem;
    item.pszText = const_cast<wchar_t*>(pszText ? pszText : L"");
    return ::SendMessageW(m_hWnd, LVM_SETITEMTEXTW, static_cast<WPARAM>(nItem), reinterpret_cast<LPARAM>(&item)) != 0;
}

int CListCtrl::GetItemCount() const
{
    return static_cast<int>(::SendMessageW(m_hWnd, LVM_GETITEMCOUNT, 0, 0));
}

DWORD CListCtrl::SetExtendedStyle(DWORD nExStyle)
{
    return static_cast<DWORD>(::SendMessageW(m_hWnd, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, static_cast<LPARAM>(nExStyle)));
}

DWORD CListCtrl::GetExtendedStyle() const
{
    return static_cast<DWORD>(::SendMessageW(m_hWnd, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
}

bool CListCtrl::SetItemState(int nItem, UINT nState, UINT nMask)
{
    LVITEMW item = {};
    item.stateMask = nMask;
    item.state = nState;
    return ::SendMessageW(m_hWnd, LVM_SETITEMSTATE, static_cast<WPARAM>(nItem), reinterpret_cast<LPARAM>(&item)) != 0;
}

int CListCtrl::GetNextItem(int nItem, int nFlags) const
{
    return static_cast<int>(
        ::SendMessageW(m_hWnd, LVM_GETNEXTITEM, static_cast<WPARAM>(nItem), MAKELPARAM(static_cast<WORD>(nFlags), 0)));
}

bool CListCtrl::EnsureVisible(int nItem, bool bPartialOK)
{
    return ::SendMessageW(m_hWnd, LVM_ENSUREVISIBLE, static_cast<WPARAM>(nItem), bPartialOK ? TRUE : FALSE) != 0;
}

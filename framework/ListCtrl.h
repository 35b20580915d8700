// A list-view control in report view: columns, rows of texts, selection.
#pragma once
#include <string>

#include "framework/Wnd.h"

class CListCtrl : public CWnd {
public:
    // Column nCol with a heading, an LVCFMT_ alignment and a width in pixels (-1: the
    // control's default); the new column's index or -1.
    int InsertColumn(int nCol, const wchar_t* pszHeading, int nFormat, int nWidth);
    // The width of column nCol in pixels.
    bool SetColumnWidth(int nCol, int nWidth);
    // A row at index nItem (the row count: at the end) with pszText in column 0; the new
    // row's index or -1.
    int InsertItem(int nItem, const wchar_t* pszText);
    bool SetItemText(int nItem, int nSubItem, const wchar_t* pszText);
    int GetItemCount() const;
    // LVS_EX_ styles: Set replaces them all and returns the previous ones.
    DWORD SetExtendedStyle(DWORD nExStyle);
    DWORD GetExtendedStyle() const;
    // Sets the LVIS_ state bits of nMask to those of nState (nItem -1: every row).
    bool SetItemState(int nItem, UINT nState, UINT nMask);
    // The next row after nItem (-1: from the start) with the LVNI_ flags, or -1.
    int GetNextItem(int nItem, int nFlags) const;
    // Scrolls row nItem into view, entirely unless bPartialOK.
    bool EnsureVisible(int nItem, bool bPartialOK);
};

// Lays out the status window: shows the control groups that have content, closes the gaps
// of the hidden ones by moving whole groups (never resizing a control), and sizes and
// places the window at the bottom-right corner of the work area. The arithmetic is in
// status/DialogLayout.h; this class measures and moves the real controls.
#pragma once
#include <windows.h>

#include <cstdint>

#include "framework/Wnd.h"
#include "status/DialogLayout.h"

class CDlgBase {
public:
    // pDialog: the window whose controls are arranged; it may be bound to its window later.
    explicit CDlgBase(CWnd* pDialog) : m_pDialog(pDialog) {}

    // Measures the groups at the first call of the process (after moving the SMS counter
    // and arrows 18 pixels right, at 96 DPI) and arranges them when nMask differs from the
    // mask last applied (15 before the first call). Bits: 1 SMS, 2 missed calls, 4 device
    // status, 8 upgrade.
    void UpdateLayout(uint32_t nMask);
    // The window's DPI is about to change: the measured groups go back to their places in
    // the template's arrangement, which the dialog manager then scales as a whole.
    void RestoreMeasuredPlaces();
    // The window's DPI is now nDpi and its controls have their new sizes: measured groups
    // are measured again and arranged for the last mask with the margins of nDpi, and the
    // window goes back to the work area's corner.
    void OnDpiChanged(uint32_t nDpi);
    // Shows the groups of nMask, hides and closes up the others, and sizes and places the
    // window.
    void ApplyLayout(uint32_t nMask);
    // Client origin of the group's anchor and the group's height (see MeasureGroup).
    void MeasureDlgItems(const int32_t* pGroup, Point& ptOrigin, int32_t& nHeight);
    // Shows or hides every control of the group; pGroup ends with 0.
    void ShowDlgItems(const int32_t* pGroup, bool bShow);
    // Moves the group as one block so that its first existing control's top-left corner
    // lands on (x, y); sizes and relative places stay, each control repaints.
    void MoveDlgItems(const int32_t* pGroup, int32_t y, int32_t x);

    // The placement rule: hWnd keeps its width, gets nHeight and touches the work area's
    // right and bottom edges. Also the main window's first placement (its own height).
    static bool PlaceWindow(HWND hWnd, int32_t nHeight);
    // The window's DPI; 96 when the system tells none.
    static uint32_t WindowDpi(HWND hWnd);

private:
    HWND DialogHandle() const { return m_pDialog ? m_pDialog->m_hWnd : nullptr; }
    // The control's rectangle in the dialog's client coordinates.
    bool GetItemRect(HWND hItem, Rect& rc) const;
    // The DPI the layout works at: the one last reported, else the window's own.
    uint32_t Dpi() const;
    void MeasureGroups();

    GroupGeometry m_aGroups[kLayoutGroupCount];  // SMS, missed calls, device status, upgrade
    CWnd* m_pDialog = nullptr;
    uint32_t m_nDpi = 0;  // 0: none reported yet
};

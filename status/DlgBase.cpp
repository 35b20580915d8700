#include "status/DlgBase.h"

#include <vector>

#include "app/Log.h"

namespace {

// Once per process, as there is one status window: whether the groups have been measured,
// the mask last applied, and whether each kind of missing control has been reported.
LayoutState s_layoutState;
bool s_bShowMissReported = false;
bool s_bMoveMissReported = false;

}  // namespace

bool CDlgBase::GetItemRect(HWND hItem, Rect& rc) const
{
    RECT rcScreen = {};
    if (!::GetWindowRect(hItem, &rcScreen))
        return false;
    POINT ptTopLeft = {rcScreen.left, rcScreen.top};
    POINT ptBottomRight = {rcScreen.right, rcScreen.bottom};
    HWND hDialog = DialogHandle();
    if (!::ScreenToClient(hDialog, &ptTopLeft) || !::ScreenToClient(hDialog, &ptBottomRight))
        return false;
    rc = Rect{ptTopLeft.x, ptTopLeft.y, ptBottomRight.x, ptBottomRight.y};
    return true;
}

uint32_t CDlgBase::WindowDpi(HWND hWnd)
{
    const UINT nDpi = ::GetDpiForWindow(hWnd);
    return nDpi != 0 ? nDpi : kBaseDpi;
}

uint32_t CDlgBase::Dpi() const
{
    return m_nDpi != 0 ? m_nDpi : WindowDpi(DialogHandle());
}

void CDlgBase::MeasureGroups()
{
    for (size_t g = 0; g < kLayoutGroupCount; ++g)
        MeasureDlgItems(s_layoutGroupIds[g], m_aGroups[g].ptOrigin, m_aGroups[g].nHeight);
}

void CDlgBase::UpdateLayout(uint32_t nMask)
{
    const LayoutStep step = TakeLayoutStep(s_layoutState, nMask);
    if (step.bMeasure) {
        // Measured once, from the template's arrangement with the counter block shifted.
        HWND hDialog = DialogHandle();
        for (const int32_t* pId = s_smsCounterIds; *pId != 0; ++pId) {
            Rect rc;
            HWND hItem = ::GetDlgItem(hDialog, *pId);
            if (hItem && GetItemRect(hItem, rc)) {
                MoveDlgItems(s_smsCounterIds, rc.top, rc.left + ScaleToDpi(kSmsCounterShift, Dpi()));
                break;
            }
        }
        MeasureGroups();
    }
    if (step.bApply)
        ApplyLayout(nMask);
}

void CDlgBase::RestoreMeasuredPlaces()
{
    if (!s_layoutState.bMeasured)
        return;
    for (size_t g = 0; g < kLayoutGroupCount; ++g)
        MoveDlgItems(s_layoutGroupIds[g], m_aGroups[g].ptOrigin.y, m_aGroups[g].ptOrigin.x);
}

void CDlgBase::OnDpiChanged(uint32_t nDpi)
{
    m_nDpi = nDpi != 0 ? nDpi : kBaseDpi;
    const LayoutStep step = TakeDpiChangeStep(s_layoutState);
    if (step.bMeasure)
        MeasureGroups();
    if (step.bApply) {
        ApplyLayout(s_layoutState.nLastMask);
        return;
    }
    RECT rcWindow = {};
    if (::GetWindowRect(DialogHandle(), &rcWindow))
        PlaceWindow(DialogHandle(), rcWindow.bottom - rcWindow.top);
}

void CDlgBase::ApplyLayout(uint32_t nMask)
{
    HWND hDialog = DialogHandle();
    const bool bMissedCallsAnchor = ::GetDlgItem(hDialog, s_missedCallsGroupIds[0]) != nullptr;
    const bool bDeviceStatusAnchor = ::GetDlgItem(hDialog, s_deviceStatusGroupIds[0]) != nullptr;
    const LayoutPlan plan = PlanLayout(nMask, m_aGroups, bMissedCallsAnchor, bDeviceStatusAnchor, Dpi());

    for (size_t g = 0; g < kLayoutGroupCount; ++g)
        MoveDlgItems(s_layoutGroupIds[g], plan.aptOrigin[g].y, plan.aptOrigin[g].x);
    PlaceWindow(hDialog, plan.nFullHeight);
    for (size_t g = 0; g < kLayoutGroupCount; ++g)
        ShowDlgItems(s_layoutGroupIds[g], plan.abShown[g]);
    PlaceWindow(hDialog, plan.nWindowHeight);
}

void CDlgBase::MeasureDlgItems(const int32_t* pGroup, Point& ptOrigin, int32_t& nHeight)
{
    std::vector<Rect> rects;
    HWND hDialog = DialogHandle();
    for (const int32_t* pId = pGroup; *pId != 0; ++pId) {
        Rect rc;
        HWND hItem = ::GetDlgItem(hDialog, *pId);
        if (hItem && GetItemRect(hItem, rc))
            rects.push_back(rc);
    }
    const GroupGeometry geometry = MeasureGroup(rects.data(), rects.size());
    ptOrigin = geometry.ptOrigin;
    nHeight = geometry.nHeight;
}

void CDlgBase::ShowDlgItems(const int32_t* pGroup, bool bShow)
{
    HWND hDialog = DialogHandle();
    for (int32_t nIndex = 0; pGroup[nIndex] != 0; ++nIndex) {
        HWND hItem = ::GetDlgItem(hDialog, pGroup[nIndex]);
        if (!hItem) {
            if (!s_bShowMissReported) {
                s_bShowMissReported = true;
                XLog(3, L"CDlgBase::ShowDlgItems: %d, %d, NOK.", nIndex, pGroup[nIndex]);
            }
            continue;
        }
        ::ShowWindow(hItem, bShow ? SW_SHOW : SW_HIDE);
    }
}

void CDlgBase::MoveDlgItems(const int32_t* pGroup, int32_t y, int32_t x)
{
    HWND hDialog = DialogHandle();
    bool bHaveOffset = false;
    Point offset;
    for (int32_t nIndex = 0; pGroup[nIndex] != 0; ++nIndex) {
        Rect rc;
        HWND hItem = ::GetDlgItem(hDialog, pGroup[nIndex]);
        if (!hItem) {
            if (!s_bMoveMissReported) {
                s_bMoveMissReported = true;
                XLog(3, L"CDlgBase::MoveDlgItems: %d, %d, NOK.", nIndex, pGroup[nIndex]);
            }
            continue;
        }
        if (!GetItemRect(hItem, rc))
            continue;
        if (!bHaveOffset) {
            offset = BlockOffset(rc, Point{x, y});
            bHaveOffset = true;
        }
        ::MoveWindow(hItem, rc.left + offset.x, rc.top + offset.y, rc.Width(), rc.Height(), TRUE);
    }
}

bool CDlgBase::PlaceWindow(HWND hWnd, int32_t nHeight)
{
    RECT rcWorkArea = {};
    RECT rcWindow = {};
    if (!::SystemParametersInfoW(SPI_GETWORKAREA, 0, &rcWorkArea, 0) || !::GetWindowRect(hWnd, &rcWindow))
        return false;
    const Rect rc = PlaceBottomRight(Rect{rcWorkArea.left, rcWorkArea.top, rcWorkArea.right, rcWorkArea.bottom},
                                     Rect{rcWindow.left, rcWindow.top, rcWindow.right, rcWindow.bottom}, nHeight);
    return ::SetWindowPos(hWnd, nullptr, rc.left, rc.top, rc.Width(), rc.Height(), SWP_NOZORDER | SWP_NOACTIVATE) !=
           FALSE;
}

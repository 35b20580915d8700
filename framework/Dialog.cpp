#include "framework/Dialog.h"

#include "app/ResourceModule.h"
#include "framework/ModalLoop.h"
#include "framework/WinApp.h"

CDialog::CDialog(UINT nIdTemplate, CWnd* pParentWnd) : m_nIdTemplate(nIdTemplate), m_pParentWnd(pParentWnd) {}

CDialog::~CDialog()
{
    if (m_hWnd && !m_bModal)
        DestroyWindow();
}

bool CDialog::Create(UINT nIdTemplate, CWnd* pParentWnd)
{
    if (m_hWnd) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return false;
    }
    m_nIdTemplate = nIdTemplate;
    m_pParentWnd = pParentWnd;
    m_bModal = false;
    HWND hWnd =
        CreateDialogParamW(AfxGetResourceHandle(), MAKEINTRESOURCEW(nIdTemplate),
                           pParentWnd ? pParentWnd->m_hWnd : nullptr, &DialogProc, reinterpret_cast<LPARAM>(this));
    if (hWnd && hWnd != m_hWnd) {
        // Made but never bound (WM_INITDIALOG did not reach this object): not ours to keep.
        ::DestroyWindow(hWnd);
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    return hWnd != nullptr;
}

INT_PTR CDialog::DoModal()
{
    if (m_hWnd) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return -1;
    }
    HWND hOwner = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    if (!hOwner) {
        CWinApp* pApp = AfxGetApp();
        if (pApp && pApp->m_pMainWnd && pApp->m_pMainWnd != this)
            hOwner = pApp->m_pMainWnd->m_hWnd;
    }
    CModalLoop loop(IDCANCEL);
    if (loop.IsRefused())
        return IDCANCEL;
    m_bModal = true;
    m_pModalLoop = &loop;
    const INT_PTR nResult = DialogBoxParamW(AfxGetResourceHandle(), MAKEINTRESOURCEW(m_nIdTemplate), hOwner,
                                            &DialogProc, reinterpret_cast<LPARAM>(this));
    m_pModalLoop = nullptr;
    m_bModal = false;
    return nResult;
}

bool CDialog::EndDialog(int nResult)
{
    return ::EndDialog(m_hWnd, nResult) != FALSE;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    // A bound dialog's messages reach WindowProc through its window procedure before they
    // get here; getting here means Default(): not handled.
    if (nMsg != WM_INITDIALOG || FromHandlePermanent(hWnd))
        return FALSE;
    CDialog* pDialog = reinterpret_cast<CDialog*>(lParam);
    if (!pDialog || !pDialog->SubclassWindow(hWnd))
        return FALSE;
    if (pDialog->m_pModalLoop != nullptr)
        pDialog->m_pModalLoop->SetWindow(hWnd, ModalWindowKind::Dialog);
    return RouteMessage(pDialog, hWnd, nMsg, wParam, lParam);
}

LRESULT CDialog::WindowProc(UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    if (nMsg == WM_INITDIALOG)
        return OnInitDialog();
    return CWnd::WindowProc(nMsg, wParam, lParam);
}

bool CDialog::PreTranslateMessage(MSG& msg)
{
    if (m_bModal || !m_hWnd)
        return false;
    return IsDialogMessageW(m_hWnd, &msg) != FALSE;
}

BOOL CDialog::OnInitDialog()
{
    DoDataExchange();
    return TRUE;
}

void CDialog::OnOK()
{
    if (m_bModal)
        EndDialog(IDOK);
    else
        DestroyWindow();
}

void CDialog::OnCancel()
{
    if (m_bModal)
        EndDialog(IDCANCEL);
    else
        DestroyWindow();
}

bool CDialog::OnCommand(UINT nId, UINT nCode, HWND hControl)
{
    if (nCode <= 1) {
        if (nId == IDOK) {
            OnOK();
            return true;
        }
        if (nId == IDCANCEL) {
            OnCancel();
            return true;
        }
    }
    return CWnd::OnCommand(nId, nCode, hControl);
}

bool CDialog::DDX_Control(int nId, CWnd& control)
{
    HWND hItem = ::GetDlgItem(m_hWnd, nId);
    if (!hItem)
        return false;
    if (control.m_hWnd)
        return control.m_hWnd == hItem;
    return control.SubclassWindow(hItem);
}

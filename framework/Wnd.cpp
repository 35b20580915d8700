#include "framework/Wnd.h"

#include <vector>

#include "framework/Exception.h"
#include "framework/ModalLoop.h"
#include "framework/WinApp.h"

namespace {
// The bound object, and the procedure the window had before it was bound (kept apart so
// that a window whose object is gone still reaches it).
const wchar_t kObjectProp[] = L"TnWndObject";
const wchar_t kSuperProp[] = L"TnWndSuper";

// The message being handled on this thread, for Default(). Kept per thread rather than per
// object so that it is still safe to restore after a handler has deleted its object.
thread_local MSG t_current = {};

std::wstring TextOf(HWND hWnd)
{
    const int nLength = ::GetWindowTextLengthW(hWnd);
    if (nLength <= 0)
        return std::wstring();
    std::vector<wchar_t> buffer(static_cast<size_t>(nLength) + 1);
    const int nCopied = ::GetWindowTextW(hWnd, buffer.data(), static_cast<int>(buffer.size()));
    return std::wstring(buffer.data(), nCopied > 0 ? static_cast<size_t>(nCopied) : 0);
}

LRESULT HandleException(const CException* pException, const MSG& msg)
{
    if (CWinApp* pApp = AfxGetApp())
        return pApp->ProcessWndProcException(pException, msg);
    return msg.message == WM_CREATE ? -1 : 0;
}
}  // namespace

CWnd::~CWnd()
{
    if (m_hWnd)
        UnsubclassWindow();
    CWinApp* pApp = AfxGetApp();
    if (pApp && pApp->m_pMainWnd == this)
        pApp->m_pMainWnd = nullptr;
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd)
{
    return hWnd ? static_cast<CWnd*>(::GetPropW(hWnd, kObjectProp)) : nullptr;
}

bool CWnd::SubclassWindow(HWND hWnd)
{
    DWORD nProcessId = 0;
    if (m_hWnd || !hWnd || !GetWindowThreadProcessId(hWnd, &nProcessId) || nProcessId != GetCurrentProcessId() ||
        FromHandlePermanent(hWnd)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (!::SetPropW(hWnd, kObjectProp, this))
        return false;
    m_hWnd = hWnd;
    PreSubclassWindow();

    SetLastError(0);
    const LONG_PTR nPrevious = ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&StdWndProc));
    if (nPrevious == 0 && GetLastError() != 0) {
        ::RemovePropW(hWnd, kObjectProp);
        m_hWnd = nullptr;
        return false;
    }
    m_pfnSuper = reinterpret_cast<WNDPROC>(nPrevious);
    ::SetPropW(hWnd, kSuperProp, reinterpret_cast<HANDLE>(nPrevious));
    return true;
}

HWND CWnd::UnsubclassWindow()
{
    HWND hWnd = m_hWnd;
    if (!hWnd)
        return nullptr;
    // Put the old procedure back only if ours is still the first; otherwise whoever came
    // after us keeps calling StdWndProc, which then forwards through kSuperProp.
    if (reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hWnd, GWLP_WNDPROC)) == &StdWndProc) {
        ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
        ::RemovePropW(hWnd, kSuperProp);
    }
    ::RemovePropW(hWnd, kObjectProp);
    m_hWnd = nullptr;
    m_pfnSuper = nullptr;
    return hWnd;
}

LRESULT CALLBACK CWnd::StdWndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    CWnd* pWnd = FromHandlePermanent(hWnd);
    if (!pWnd) {
        const WNDPROC pfnSuper = reinterpret_cast<WNDPROC>(::GetPropW(hWnd, kSuperProp));
        return pfnSuper ? ::CallWindowProcW(pfnSuper, hWnd, nMsg, wParam, lParam)
                        : ::DefWindowProcW(hWnd, nMsg, wParam, lParam);
    }
    return RouteMessage(pWnd, hWnd, nMsg, wParam, lParam);
}

LRESULT CWnd::RouteMessage(CWnd* pWnd, HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    const MSG saved = t_current;
    t_current = MSG{};
    t_current.hwnd = hWnd;
    t_current.message = nMsg;
    t_current.wParam = wParam;
    t_current.lParam = lParam;

    LRESULT nResult = 0;
    try {
        nResult = pWnd->WindowProc(nMsg, wParam, lParam);
    } catch (const CException& e) {
        nResult = HandleException(&e, t_current);
    } catch (...) {
        nResult = HandleException(nullptr, t_current);
    }
    t_current = saved;

    // Only WM_NCDESTROY may touch the object after its handler: no other handler can have
    // deleted it, since deletion happens in PostNcDestroy below.
    if (nMsg == WM_NCDESTROY) {
        AfxNoteWindowGone(hWnd);
        if (pWnd->m_hWnd == hWnd)
            pWnd->FinishNcDestroy();
    }
    return nResult;
}

void CWnd::FinishNcDestroy()
{
    UnsubclassWindow();
    CWinApp* pApp = AfxGetApp();
    if (pApp && pApp->m_pMainWnd == this) {
        pApp->m_pMainWnd = nullptr;
        PostQuitMessage(0);
    }
    PostNcDestroy();
}

LRESULT CWnd::Default()
{
    if (!m_hWnd || t_current.hwnd != m_hWnd)
        return 0;
    return DefWindowProc(t_current.message, t_current.wParam, t_current.lParam);
}

LRESULT CWnd::DefWindowProc(UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper)
        return ::CallWindowProcW(m_pfnSuper, m_hWnd, nMsg, wParam, lParam);
    return ::DefWindowProcW(m_hWnd, nMsg, wParam, lParam);
}

LRESULT CWnd::WindowProc(UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    // A stop request's own message (framework/ModalLoop.h): the window goes here, in the
    // dispatch of a posted message, once no modal loop is open.
    if (nMsg == AfxStopMessage()) {
        if (AfxTakeStopMessage(m_hWnd))
            DestroyWindow();
        return 0;
    }
    switch (nMsg) {
    case WM_COMMAND:
        if (OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)))
            return 0;
        break;
    case WM_NOTIFY: {
        LRESULT nResult = 0;
        if (OnNotify(reinterpret_cast<NMHDR*>(lParam), &nResult))
            return nResult;
        break;
    }
    case WM_TIMER:
        OnTimer(wParam);
        return 0;
    case WM_ACTIVATE:
        OnActivate(LOWORD(wParam), reinterpret_cast<HWND>(lParam), HIWORD(wParam) != 0);
        return 0;
    case WM_DESTROY:
        OnDestroy();
        return 0;
    case WM_SYSCOMMAND:
        OnSysCommand(static_cast<UINT>(wParam), lParam);
        return 0;
    case WM_SETCURSOR:
        return OnSetCursor(reinterpret_cast<HWND>(wParam), LOWORD(lParam), HIWORD(lParam));
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        // The CTLCOLOR_ kinds are the messages' distances from WM_CTLCOLORMSGBOX.
        return reinterpret_cast<LRESULT>(
            OnCtlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam), nMsg - WM_CTLCOLORMSGBOX));
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_QUERYDRAGICON:
        return reinterpret_cast<LRESULT>(OnQueryDragIcon());
    default:
        break;
    }
    return Default();
}

bool CWnd::PreTranslateMessage(MSG&)
{
    return false;
}

bool CWnd::OnCommand(UINT, UINT, HWND)
{
    return false;
}

bool CWnd::OnNotify(NMHDR*, LRESULT*)
{
    return false;
}

void CWnd::OnTimer(UINT_PTR)
{
    Default();
}

void CWnd::OnActivate(UINT, HWND, bool)
{
    Default();
}

void CWnd::OnDestroy()
{
    Default();
}

void CWnd::OnSysCommand(UINT, LPARAM)
{
    Default();
}

BOOL CWnd::OnSetCursor(HWND, UINT, UINT)
{
    return static_cast<BOOL>(Default());
}

HBRUSH CWnd::OnCtlColor(HDC, HWND, UINT)
{
    return reinterpret_cast<HBRUSH>(Default());
}

void CWnd::OnPaint()
{
    Default();
}

HCURSOR CWnd::OnQueryDragIcon()
{
    return reinterpret_cast<HCURSOR>(Default());
}

HWND CWnd::GetDlgItem(int nId) const
{
    return ::GetDlgItem(m_hWnd, nId);
}

int CWnd::GetDlgCtrlID() const
{
    return ::GetDlgCtrlID(m_hWnd);
}

bool CWnd::SetDlgItemText(int nId, const wchar_t* pszText)
{
    return ::SetDlgItemTextW(m_hWnd, nId, pszText ? pszText : L"") != FALSE;
}

std::wstring CWnd::GetWindowText() const
{
    return TextOf(m_hWnd);
}

bool CWnd::SetWindowText(const wchar_t* pszText)
{
    return ::SetWindowTextW(m_hWnd, pszText ? pszText : L"") != FALSE;
}

bool CWnd::ShowWindow(int nCmdShow)
{
    return ::ShowWindow(m_hWnd, nCmdShow) != FALSE;
}

bool CWnd::SetWindowPos(HWND hInsertAfter, int x, int y, int cx, int cy, UINT nFlags)
{
    return ::SetWindowPos(m_hWnd, hInsertAfter, x, y, cx, cy, nFlags) != FALSE;
}

bool CWnd::GetWindowRect(RECT* pRect) const
{
    return ::GetWindowRect(m_hWnd, pRect) != FALSE;
}

bool CWnd::GetClientRect(RECT* pRect) const
{
    return ::GetClientRect(m_hWnd, pRect) != FALSE;
}

bool CWnd::MoveWindow(int x, int y, int nWidth, int nHeight, bool bRepaint)
{
    return ::MoveWindow(m_hWnd, x, y, nWidth, nHeight, bRepaint) != FALSE;
}

bool CWnd::MoveWindow(const RECT& rect, bool bRepaint)
{
    return MoveWindow(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, bRepaint);
}

UINT_PTR CWnd::SetTimer(UINT_PTR nIdEvent, UINT nElapse)
{
    return ::SetTimer(m_hWnd, nIdEvent, nElapse, nullptr);
}

bool CWnd::KillTimer(UINT_PTR nIdEvent)
{
    return ::KillTimer(m_hWnd, nIdEvent) != FALSE;
}

HICON CWnd::SetIcon(HICON hIcon, bool bBigIcon)
{
    return reinterpret_cast<HICON>(
        ::SendMessageW(m_hWnd, WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(hIcon)));
}

bool CWnd::SetForegroundWindow()
{
    return ::SetForegroundWindow(m_hWnd) != FALSE;
}

bool CWnd::DestroyWindow()
{
    return m_hWnd && ::DestroyWindow(m_hWnd) != FALSE;
}

bool CWnd::PostMessage(UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    return ::PostMessageW(m_hWnd, nMsg, wParam, lParam) != FALSE;
}

CMenu CWnd::GetSystemMenu(bool bRevert) const
{
    return CMenu::FromHandle(::GetSystemMenu(m_hWnd, bRevert));
}

bool CWnd::ShowScrollBar(int nBar, bool bShow)
{
    return ::ShowScrollBar(m_hWnd, nBar, bShow) != FALSE;
}

HFONT CWnd::GetFont() const
{
    return reinterpret_cast<HFONT>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0));
}

void CWnd::SetFont(HFONT hFont, bool bRedraw)
{
    ::SendMessageW(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(hFont), MAKELPARAM(bRedraw ? TRUE : FALSE, 0));
}

bool CWnd::EnableToolTips(bool bEnable)
{
    const bool bPrevious = m_bToolTips;
    m_bToolTips = bEnable;
    return bPrevious;
}

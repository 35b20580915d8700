// A window object: one C++ object bound to one window, whose messages it handles.
//
// Binding. SubclassWindow(hWnd) binds an existing window: the object's address goes into a
// window property (no handle map), the window procedure becomes CWnd::StdWndProc, and the
// procedure the window had is kept for its default processing. Dialogs bind themselves
// when they initialise (CDialog), member controls when the dialog binds them (DDX_Control).
// A window created by other code can be bound right after CreateWindowExW. The binding ends
// by itself when the window is destroyed (m_hWnd becomes null), or with UnsubclassWindow.
//
// Message routing. Every message of a bound window reaches the virtual WindowProc. The
// base's WindowProc calls the virtual handlers below and gives every other message to
// Default(), the window's own processing (the procedure it had before it was bound; for a
// dialog, the system's dialog procedure). Each handler of the base runs Default() too, so
// an override that wants the default processing calls the base handler (or Default()).
//     WM_COMMAND       OnCommand(id, code, hControl): true = handled (result 0)
//     WM_NOTIFY        OnNotify(pHeader, pResult): true = handled (result *pResult)
//     WM_TIMER         OnTimer(id)
//     WM_ACTIVATE      OnActivate(state, hOther, minimised)
//     WM_DESTROY       OnDestroy()
//     WM_SYSCOMMAND    OnSysCommand(id, lParam)
//     WM_SETCURSOR     OnSetCursor(hWnd, hit-test code, mouse message): the result
//     WM_CTLCOLOR...   OnCtlColor(hDC, hControl, CTLCOLOR_ kind): the brush
//     WM_PAINT         OnPaint()
//     WM_QUERYDRAGICON OnQueryDragIcon(): the icon
// A derived class handles messages of its own (WM_APP + n, registered messages) in its
// WindowProc override and passes everything else on to its base's WindowProc.
//
// Stop requests. The message of AfxRequestStop (framework/ModalLoop.h) destroys the window
// once no modal loop is open; an override of WindowProc passes it on like any other.
//
// Destruction. After WM_NCDESTROY has had the window's own processing, the object is
// unbound; if it is the application's main window, the message loop is told to end
// (WM_QUIT with 0); last comes PostNcDestroy, where an object may delete itself. An
// override of WindowProc must pass WM_NCDESTROY on. A handler that destroys its own window
// must not touch the object afterwards: it may be gone.
//
// Exceptions. One that leaves a handler stops in the window procedure; the message's result
// is then CWinApp::ProcessWndProcException's (0, or -1 for WM_CREATE).
//
// Keyboard. The message loop offers each message to PreTranslateMessage of the bound
// windows from the message's window up to its top-level window (CWinThread::PumpMessage).
#pragma once
#include <windows.h>

#include <string>

#include "framework/Menu.h"

class CWnd {
public:
    CWnd() = default;
    // Unbinds a window that is still bound; the window itself stays.
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    // The bound object of hWnd, or null.
    static CWnd* FromHandlePermanent(HWND hWnd);

    // Binds this object to hWnd: m_hWnd is set, PreSubclassWindow runs, then the window
    // procedure is replaced. False if the object is already bound, hWnd is not a window of
    // this process or hWnd already has an object.
    bool SubclassWindow(HWND hWnd);
    // Ends the binding and returns the window; the window procedure goes back to the one it
    // had, unless another has been put in front of ours since.
    HWND UnsubclassWindow();

    // The window's default processing of the message being handled.
    LRESULT Default();
    // The window's default processing of any message.
    LRESULT DefWindowProc(UINT nMsg, WPARAM wParam, LPARAM lParam);

    virtual LRESULT WindowProc(UINT nMsg, WPARAM wParam, LPARAM lParam);
    // Offered each message of this window and its children before it is dispatched; true
    // when it has been handled and must not be dispatched. The base handles nothing.
    virtual bool PreTranslateMessage(MSG& msg);

    // Window operations, the system's calls on m_hWnd.
    HWND GetDlgItem(int nId) const;
    int GetDlgCtrlID() const;
    bool SetDlgItemText(int nId, const wchar_t* pszText);
    std::wstring GetWindowText() const;
    bool SetWindowText(const wchar_t* pszText);
    // Returns whether the window was visible before.
    bool ShowWindow(int nCmdShow);
    bool SetWindowPos(HWND hInsertAfter, int x, int y, int cx, int cy, UINT nFlags);
    bool GetWindowRect(RECT* pRect) const;
    bool GetClientRect(RECT* pRect) const;
    bool MoveWindow(int x, int y, int nWidth, int nHeight, bool bRepaint = true);
    bool MoveWindow(const RECT& rect, bool bRepaint = true);
    // The timer's id, or 0 on failure.
    UINT_PTR SetTimer(UINT_PTR nIdEvent, UINT nElapse);
    bool KillTimer(UINT_PTR nIdEvent);
    // WM_SETICON; the previous icon of that size.
    HICON SetIcon(HICON hIcon, bool bBigIcon);
    bool SetForegroundWindow();
    bool DestroyWindow();
    bool PostMessage(UINT nMsg, WPARAM wParam = 0, LPARAM lParam = 0);
    // The window menu, borrowed; empty if the window has none.
    CMenu GetSystemMenu(bool bRevert) const;
    bool ShowScrollBar(int nBar, bool bShow = true);
    HFONT GetFont() const;
    void SetFont(HFONT hFont, bool bRedraw = true);
    // Notes that the window shows tooltips of its controls. They come from a CToolTipCtrl
    // that the window feeds from PreTranslateMessage; there is no other machinery behind
    // this flag. Returns the previous setting.
    bool EnableToolTips(bool bEnable = true);

    // The bound window; null while unbound.
    HWND m_hWnd = nullptr;

protected:
    // Handlers; each base version runs Default() (OnCommand and OnNotify handle nothing).
    virtual bool OnCommand(UINT nId, UINT nCode, HWND hControl);
    virtual bool OnNotify(NMHDR* pHeader, LRESULT* pResult);
    virtual void OnTimer(UINT_PTR nIdEvent);
    virtual void OnActivate(UINT nState, HWND hOther, bool bMinimized);
    virtual void OnDestroy();
    virtual void OnSysCommand(UINT nId, LPARAM lParam);
    virtual BOOL OnSetCursor(HWND hWnd, UINT nHitTest, UINT nMouseMsg);
    virtual HBRUSH OnCtlColor(HDC hDC, HWND hControl, UINT nCtlColor);
    virtual void OnPaint();
    virtual HCURSOR OnQueryDragIcon();

    // Runs in SubclassWindow with m_hWnd set, before the window procedure is replaced.
    virtual void PreSubclassWindow() {}
    // Runs last in the window's life, after the object is unbound; may delete the object.
    virtual void PostNcDestroy() {}

    // Routes one message to pWnd's WindowProc as the window procedure does; CDialog's
    // dialog procedure uses it for WM_INITDIALOG.
    static LRESULT RouteMessage(CWnd* pWnd, HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK StdWndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);
    // WM_NCDESTROY has been processed: unbind, end the loop for the main window, PostNcDestroy.
    void FinishNcDestroy();

    WNDPROC m_pfnSuper = nullptr;
    bool m_bToolTips = false;
};

#include "framework/ModalLoop.h"

#include "framework/Wnd.h"

namespace {

// The loops of the user-interface thread nest like the calls that open them.
thread_local CModalLoop* t_pInnermost = nullptr;
thread_local int t_nDepth = 0;

// The stop asked for, and whether its message is on its way to the window.
HWND s_hStopWindow = nullptr;
bool s_bStopPosted = false;

void PostStop()
{
    if (s_hStopWindow == nullptr || s_bStopPosted)
        return;
    s_bStopPosted = PostMessageW(s_hStopWindow, AfxStopMessage(), 0, 0) != FALSE;
}

}  // namespace

CModalLoop::CModalLoop(int nDismissAnswer) : m_nDismissAnswer(nDismissAnswer)
{
    m_bRefused = s_hStopWindow != nullptr;
    m_pOuter = t_pInnermost;
    t_pInnermost = this;
    ++t_nDepth;
}

CModalLoop::~CModalLoop()
{
    t_pInnermost = m_pOuter;
    --t_nDepth;
    if (t_nDepth == 0 && s_hStopWindow != nullptr)
        PostStop();
}

void CModalLoop::SetWindow(HWND hWnd, ModalWindowKind kind)
{
    m_hWnd = hWnd;
    m_kind = kind;
    if (s_hStopWindow != nullptr)
        Dismiss();
}

int CModalLoop::Depth()
{
    return t_nDepth;
}

void CModalLoop::Dismiss()
{
    if (m_hWnd == nullptr) {
        // Only a menu runs without a window of its own; a box or dialog has one from its
        // creation on.
        EndMenu();
        return;
    }
    if (m_kind == ModalWindowKind::Dialog)
        EndDialog(m_hWnd, m_nDismissAnswer);
    else
        PostMessageW(m_hWnd, WM_COMMAND, MAKEWPARAM(m_nDismissAnswer, BN_CLICKED), 0);
}

int AfxDismissAnswerOfBox(UINT nType)
{
    switch (nType & MB_TYPEMASK) {
    case MB_OK:
        return IDOK;
    case MB_YESNO:
        return IDNO;
    case MB_ABORTRETRYIGNORE:
        return IDABORT;
    default:
        // Every other kind has a Cancel button.
        return IDCANCEL;
    }
}

void AfxRequestStop(CWnd* pWindow)
{
    if (s_hStopWindow == nullptr) {
        if (pWindow == nullptr || pWindow->m_hWnd == nullptr)
            return;
        s_hStopWindow = pWindow->m_hWnd;
    }
    for (CModalLoop* pLoop = t_pInnermost; pLoop != nullptr; pLoop = pLoop->m_pOuter)
        pLoop->Dismiss();
    if (t_nDepth == 0)
        PostStop();
}

bool AfxIsStopPending()
{
    return s_hStopWindow != nullptr;
}

UINT AfxStopMessage()
{
    static const UINT s_nMessage = RegisterWindowMessageW(L"CModalLoop.StopRequest");
    return s_nMessage;
}

bool AfxTakeStopMessage(HWND hWnd)
{
    s_bStopPosted = false;
    return hWnd != nullptr && hWnd == s_hStopWindow && t_nDepth == 0;
}

void AfxNoteWindowGone(HWND hWnd)
{
    if (hWnd != nullptr && hWnd == s_hStopWindow) {
        s_hStopWindow = nullptr;
        s_bStopPosted = false;
    }
}

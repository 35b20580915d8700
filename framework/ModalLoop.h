// The one rule for modal loops and stop requests.
//
// A menu, a message box and a modal dialog each run a message loop of their own, in which
// everything else of the thread goes on: the router's data, the timer, a stop request from
// another start of the program. Every such loop of the program runs inside a CModalLoop;
// CMenu::TrackPopupMenu, AfxMessageBox and CDialog::DoModal make one, and nothing else may
// open a modal loop. A stop request (AfxRequestStop) then:
//   - ends every open loop as if the user had dismissed it: a menu closes without a
//     command, a box gets the answer of its Cancel, No or only button, a dialog ends with
//     IDCANCEL without running its OnCancel;
//   - lets no loop open while it is pending: the menu, box or dialog asked for returns that
//     same answer at once, without showing anything;
//   - destroys the application's main window exactly once, in the dispatch of a message
//     posted to it, when no loop is open any more: never under a method of the window that
//     is still running (the methods that opened the loops have all returned by then), and
//     never lost (the outermost loop to end posts it again).
// The loops of one thread nest like the calls that open them; only the user-interface
// thread opens any.
#pragma once
#include <windows.h>

// How a stop ends a loop's window: a box by the command of its cancelling button, a dialog
// by EndDialog.
enum class ModalWindowKind { Box, Dialog };

class CWnd;

class CModalLoop {
public:
    // The answer the loop gives when a stop request dismisses it: 0 for a menu (no
    // command), the cancelling button of a box, IDCANCEL for a dialog.
    explicit CModalLoop(int nDismissAnswer);
    // The outermost loop to end with a stop pending posts the stop to the main window.
    ~CModalLoop();
    CModalLoop(const CModalLoop&) = delete;
    CModalLoop& operator=(const CModalLoop&) = delete;

    // A stop is pending: the loop must not open; its caller returns DismissAnswer().
    bool IsRefused() const { return m_bRefused; }
    int DismissAnswer() const { return m_nDismissAnswer; }

    // The window of a box or dialog, once it exists, so that a stop can end it; a stop that
    // is already pending ends it at once.
    void SetWindow(HWND hWnd, ModalWindowKind kind);
    // Number of open loops of the thread.
    static int Depth();

private:
    friend void AfxRequestStop(CWnd* pWindow);
    // Ends the loop as if dismissed (EndMenu for a menu, the cancelling answer for a box
    // or dialog).
    void Dismiss();

    int m_nDismissAnswer;
    bool m_bRefused = false;
    HWND m_hWnd = nullptr;
    ModalWindowKind m_kind = ModalWindowKind::Box;
    CModalLoop* m_pOuter = nullptr;
};

// The cancelling answer of a message box of type nType (MB_OK: IDOK, MB_YESNO: IDNO, ...).
int AfxDismissAnswerOfBox(UINT nType);

// Asks for the end of the program by the destruction of pWindow (the main window): see the
// rule above. Safe to call any number of times, from any handler or loop of the
// user-interface thread; the first window asked for is the one destroyed.
void AfxRequestStop(CWnd* pWindow);
// True from a stop request until its window is gone.
bool AfxIsStopPending();
// The message posted to the window of a stop request (registered, so it meets no message of
// the program's own).
UINT AfxStopMessage();
// For CWnd, on that message: true when hWnd is to be destroyed now (it is the stop's window
// and no loop is open); otherwise the end of the outermost loop posts it again.
bool AfxTakeStopMessage(HWND hWnd);
// For CWnd, on WM_NCDESTROY: a stop asked for hWnd has been carried out.
void AfxNoteWindowGone(HWND hWnd);

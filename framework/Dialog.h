// A dialog from a template of the current resource module (AfxGetResourceHandle: the
// language library when one is loaded), modeless (Create) or modal (DoModal).
//
// The dialog binds itself to its window when the window receives WM_INITDIALOG (the
// template's controls exist by then) and from there on is a CWnd like any other: messages
// go to WindowProc, and Default() is the system's dialog processing, to which the dialog
// procedure answers "not handled". Messages before WM_INITDIALOG (WM_SETFONT, WM_CREATE...)
// get the system's processing only.
//
// Added routing:
//     WM_INITDIALOG          OnInitDialog(): the base runs DoDataExchange and returns TRUE
//                            (the system then gives the first control the focus)
//     WM_COMMAND IDOK        OnOK()      } code 0 (a click, Enter) or 1 (accelerator);
//     WM_COMMAND IDCANCEL    OnCancel()  } Escape and the close box arrive as IDCANCEL
// The bases of OnOK and OnCancel end a modal dialog (EndDialog IDOK / IDCANCEL) and destroy
// a modeless one; an override that does nothing keeps the window.
//
// Keyboard: a modeless dialog's PreTranslateMessage is IsDialogMessageW, which gives it the
// dialog keys (Tab, arrows, mnemonics, Enter -> IDOK, Escape -> IDCANCEL) while the
// application's loop runs. A modal dialog runs the system's own loop, which does the same,
// and its PreTranslateMessage is not called.
#pragma once
#include <windows.h>

#include "framework/Wnd.h"

class CModalLoop;

class CDialog : public CWnd {
public:
    // The template used by DoModal, and the parent (null: none; DoModal then takes the
    // application's main window as owner).
    explicit CDialog(UINT nIdTemplate = 0, CWnd* pParentWnd = nullptr);
    // Destroys a modeless dialog's window that still exists.
    ~CDialog() override;

    // Makes the modeless dialog from template nIdTemplate; visible only if the template
    // says so. False, with nothing bound and no OnInitDialog, when the template is missing
    // from the current resource module, its window class is unknown, a control cannot be
    // made, or the object already has a window.
    bool Create(UINT nIdTemplate, CWnd* pParentWnd = nullptr);
    // Runs the dialog of the constructor's template modally, its owner disabled while it
    // runs; the value given to EndDialog, or -1 if the dialog could not be made. A modal loop
    // under the rule of framework/ModalLoop.h: a stop request ends it with IDCANCEL, without
    // OnCancel.
    INT_PTR DoModal();
    // Ends a modal dialog with nResult (the window goes when DoModal returns).
    bool EndDialog(int nResult);

    LRESULT WindowProc(UINT nMsg, WPARAM wParam, LPARAM lParam) override;
    bool PreTranslateMessage(MSG& msg) override;

protected:
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    // Binds the member controls (DDX_Control); called by OnInitDialog. The base binds none.
    virtual void DoDataExchange() {}
    // Binds control to the dialog's item nId (SubclassWindow, so its PreSubclassWindow
    // runs). True if bound now or already bound to that item; false if there is no such
    // item or the control object is bound elsewhere.
    bool DDX_Control(int nId, CWnd& control);

    bool OnCommand(UINT nId, UINT nCode, HWND hControl) override;

    UINT m_nIdTemplate;
    CWnd* m_pParentWnd;

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);

    bool m_bModal = false;
    CModalLoop* m_pModalLoop = nullptr;  // while DoModal runs
};

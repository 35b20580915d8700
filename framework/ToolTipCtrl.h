// A tooltip control for the controls of one window. Tools are the controls themselves
// (identified by their window, covering the whole control); the owner feeds the control
// the mouse messages through RelayEvent from its PreTranslateMessage.
#pragma once
#include <string>

#include "framework/Wnd.h"

class CToolTipCtrl : public CWnd {
public:
    // Destroys the control's window if it still exists.
    ~CToolTipCtrl() override;

    // Makes the control for pParentWnd's window (its owner), with the TTS_ styles in
    // nStyle besides TTS_ALWAYSTIP and TTS_NOPREFIX. False if it exists already or cannot
    // be made.
    bool Create(CWnd* pParentWnd, DWORD nStyle = 0);
    // Registers hControl, a child of the owner, with pszText (null: empty, which shows no
    // tip). Registering a control again replaces its text, so each control has one current
    // text, the last one given.
    bool AddTool(HWND hControl, const wchar_t* pszText);
    // The same with string nIdText of the current resource module (absent: empty).
    bool AddTool(HWND hControl, UINT nIdText);
    // Changes the text of a registered control.
    void UpdateTipText(const wchar_t* pszText, HWND hControl);
    // TTM_RELAYEVENT: lets the control see a message (it looks only at mouse messages).
    void RelayEvent(MSG* pMsg);
};

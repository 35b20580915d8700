// Reaching into the windows of the program under test from outside, as a user's clicks
// would: its dialogs and message boxes, their buttons, and the link part of a link
// control. Their texts are read with ControlText (NotifierRun.h).
#pragma once
#include <windows.h>

#include <functional>
#include <string>

// The top-level dialogs ("#32770") of a process, in z-order; the first for which pick
// holds, or null.
HWND FindDialogOfProcess(DWORD nProcessId, const std::function<bool(HWND)>& pick);
// A visible message box of the process (a dialog with a text item 0xFFFF and no control
// nNotId, which tells the process's own dialogs apart: their group boxes have that id too).
HWND FindMessageBox(DWORD nProcessId, int nNotId);
// A button's click as the dialog receives it.
void PressButton(HWND hDlg, int nId);

// A point of the link control's client area that lies on its link part (the control's
// own hit test, asked in the control's process); false when the text holds no link.
bool FindLinkPoint(HWND hLink, POINT* pPoint);
// A left click on that point, as the mouse gives it to the control; false without a link.
bool ClickLink(HWND hLink);

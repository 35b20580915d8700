// The program's message boxes: caption the application name (string 57344 of the
// program's own module), owned by the main window (its last active pop-up) while there is
// one. The result is MessageBoxW's (IDOK, IDYES, ...; 0 on failure). A box is a modal loop
// under the rule of framework/ModalLoop.h: a stop request answers it with its cancelling
// button (Cancel, No, or OK when that is the only one).
#pragma once
#include <windows.h>

int AfxMessageBox(const wchar_t* pszText, UINT nType = MB_OK);
// The text is string nIdPrompt of the current resource module (absent: empty).
int AfxMessageBox(UINT nIdPrompt, UINT nType = MB_OK);

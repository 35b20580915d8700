// The framework's modules: the program's own, and the one every resource lookup of the
// framework and the program reads (strings, dialog templates, menus, the application icon).
// The latter is the program's own until start-up installs a language library.
#pragma once
#include <windows.h>

// The string id of the application's title in every string table the framework reads: the
// application's name, and the caption of its message boxes.
constexpr UINT AFX_IDS_APP_TITLE = 0xE000;

// The program's own module (the executable).
HINSTANCE AfxGetInstanceHandle();

// The current resource module: the one last set, else the program's own.
HINSTANCE AfxGetResourceHandle();

// Makes hResource the current resource module; null goes back to the program's own. Set
// once at start-up, before a second thread can read it, so no lock is needed.
void AfxSetResourceHandle(HINSTANCE hResource);

// Program entry: the one application object, built before wWinMain runs, takes over.
#include <windows.h>

#include "app/AppMain.h"
#include "framework/WinApp.h"

CAppMain theApp;

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR pCmdLine, int)
{
    return AfxWinMain(pCmdLine);
}

// Program entry. The application object and the main window take over from here as they
// are built; until then the program starts, logs and ends.
#include <windows.h>

#include "app/Log.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR pCmdLine, int)
{
    XLog(2, L"TessaroNotifier: started (%s).", pCmdLine ? pCmdLine : L"");
    return 0;
}

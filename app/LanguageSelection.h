// Start-up's choice of the language library: the registry value "AppLang" names a code,
// and "<code>.dll" beside the executable becomes the module all resources come from.
#pragma once
#include <windows.h>

// Runs the choice once and returns the loaded library (the caller frees it at exit), or
// null when the built-in English resources stay in use. A loaded library is made the
// framework's current resource module. Leaves its steps in "Trace.Log".
HMODULE SelectLanguageLibrary();

// Scenes that tools/screenshot.sh photographs: a child scenario shows a scene, makes
// shot-NAME.ready beside its binary and keeps running its messages until the script has
// made shot-NAME.done (at most two minutes).
#pragma once
#include <string>

// The folder of this test binary, with its trailing backslash.
std::wstring OwnDir();
// True once the scene has been photographed.
bool HoldForScreenshot(const wchar_t* pszName);

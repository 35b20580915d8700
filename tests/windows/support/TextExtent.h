// What a label's text measures on one line in the label's own font: width, and the font's
// line height as cy. The label-fitting tests compare control sizes with it.
#pragma once
#include <windows.h>

#include <string>

SIZE OneLineExtent(HWND hLabel, const std::wstring& strText);

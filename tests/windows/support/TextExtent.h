// What a label's text measures in the label's own font. The label-fitting tests compare
// control sizes with it.
#pragma once
#include <windows.h>

#include <string>

// On one line: its width, and the font's line height as cy.
SIZE OneLineExtent(HWND hLabel, const std::wstring& strText);
// Wrapped at words within nWidth, as a static control lays it out: the widest line (wider
// than nWidth when a single word is) and the height of all lines.
SIZE WrappedExtent(HWND hLabel, const std::wstring& strText, int nWidth);

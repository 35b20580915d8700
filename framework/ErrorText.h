// The system's text of an error code, from its message tables.
#pragma once
#include <windows.h>

#include <string>

// The text of nError from the module's message table (hModule: a library with its own
// codes, such as the internet library), else from the system's; trailing line breaks and
// blanks removed. When neither has a text: "Error " and the code in decimal.
std::wstring SystemErrorText(DWORD nError, HMODULE hModule = nullptr);

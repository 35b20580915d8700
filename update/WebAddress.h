// Whether a text from outside (a router message) is a web address that the program may
// fetch or hand to the shell.
#pragma once
#include <string>

// True for an absolute http or https URL (the scheme in any letter case) with a host part,
// and without control characters. Anything else (other schemes, file paths, "http:x",
// "http:///path") is false.
bool IsWebAddress(const std::wstring& strUrl);

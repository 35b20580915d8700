// The name under which a downloaded installer is stored, taken from its URL.
#pragma once
#include <string>

// The text after the URL's last "/" (the whole URL if it has none); a query string after
// that slash stays part of it. Nothing is decoded.
std::wstring FileNameFromUrl(const std::wstring& strUrl);

// True if the name can only mean a file directly inside the download folder: not empty,
// no path separator ("\" or "/"), no colon (drive or stream), no control character, not
// ending in a dot or a blank (the system would strip them, so "." and ".." and names made
// of dots name folders), and not a device name (CON, PRN, AUX, NUL, COM0-9, LPT0-9,
// CONIN$, CONOUT$, with any extension). Other characters that file names cannot hold
// ("*?<>|) are left to the file creation, which refuses them.
bool IsPlainFileName(const std::wstring& strName);

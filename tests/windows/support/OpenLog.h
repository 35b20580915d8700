// The addresses the shell was asked to open, as the sandbox's recorder wrote them down
// (TN_OPEN_LOG names its file; tests/wine/sandbox.sh).
#pragma once
#include <string>
#include <vector>

// True inside the sandbox, where the recorder stands in for the browser.
bool HasOpenLog();
// Every address recorded so far, one per line, oldest first; none outside the sandbox.
std::vector<std::wstring> OpenedAddresses();

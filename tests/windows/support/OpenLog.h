// The sandbox's record of what the shell was asked to open (tests/wine/sandbox.sh points
// the shell's http/https "open" at a recorder that appends each address to a file).
#pragma once
#include <string>
#include <vector>

// True inside the sandbox, where the record exists.
bool HasOpenLog();
// The addresses recorded so far, oldest first; empty outside the sandbox.
std::vector<std::wstring> OpenedAddresses();

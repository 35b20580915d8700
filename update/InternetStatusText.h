// The log text of a progress notification of the HTTP stack (the status callback of the
// updater's internet session).
#pragma once
#include <cstdint>
#include <string>

// Builds the text for the status code; false for the codes that are not logged (receiving
// the response, a handle closing). pInfo and nInfoLength are the notification's
// information block as the stack passed it (pInfo may be null): a host name or address
// for the resolve notifications, read as a wide or a narrow zero-terminated text by its
// length, and for a completed request the 32-bit result and error words (8 bytes), or the
// pointer-sized result and the error (16 bytes, the 64-bit layout).
bool InternetStatusText(uint32_t nStatus, const void* pInfo, uint32_t nInfoLength, std::wstring& strText);

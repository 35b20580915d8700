// The arithmetic of a transfer's sizes. The dialog's report carries 32-bit signed sizes;
// a body of 2 GiB or more is still stored whole, its figures stop at the largest value.
#pragma once
#include <cstdint>
#include <string>

struct CContentLength {
    bool bAnnounced = false;  // the header held a number
    uint64_t nBytes = 0;      // its value (saturated), 0 when not announced

    // The size as the report carries it: nBytes, at most INT32_MAX.
    int32_t ForReport() const;
};

// The Content-Length header's text: blanks, then decimal digits; what follows the digits
// is ignored. No digits (an empty or absent header, a sign, text) is "not announced".
CContentLength ParseContentLength(const std::wstring& strValue);

// nCount + nBytes, at most INT32_MAX (a negative count counts as 0).
int32_t AddToCount(int32_t nCount, uint32_t nBytes);

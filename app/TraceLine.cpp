#include "app/TraceLine.h"

#include <cwchar>

size_t BuildTraceLine(const CTraceTime& time, const wchar_t* pszMessage, wchar_t* pszLine, size_t nLineChars)
{
    if (pszLine == nullptr || nLineChars == 0)
        return 0;
    pszLine[0] = L'\0';
    const int nPrefix = swprintf(
        pszLine, nLineChars, L"[%02ld-%02ld-%04ld - %02ld:%02ld:%02ld.%03ld]  ", static_cast<long>(time.nDay),
        static_cast<long>(time.nMonth), static_cast<long>(time.nYear), static_cast<long>(time.nHour),
        static_cast<long>(time.nMinute), static_cast<long>(time.nSecond), static_cast<long>(time.nMilliseconds));
    // A buffer too small for the prefix gets no line at all rather than half a stamp.
    if (nPrefix < 0 || static_cast<size_t>(nPrefix) >= nLineChars) {
        pszLine[0] = L'\0';
        return 0;
    }
    size_t nUsed = static_cast<size_t>(nPrefix);
    if (pszMessage != nullptr) {
        for (size_t i = 0; i < kTraceMessageMaxChars && pszMessage[i] != L'\0' && nUsed + 2 < nLineChars; ++i)
            pszLine[nUsed++] = pszMessage[i];
    }
    if (nUsed + 1 < nLineChars)
        pszLine[nUsed++] = L'\n';
    pszLine[nUsed] = L'\0';
    return nUsed;
}

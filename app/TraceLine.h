// One line of "Trace.Log": time-stamp prefix, two blanks, the message, a line feed.
#pragma once
#include <cstddef>
#include <cstdint>

// The local time of a trace line, as the clock reports it.
struct CTraceTime {
    uint16_t nYear;
    uint16_t nMonth;
    uint16_t nDay;
    uint16_t nHour;
    uint16_t nMinute;
    uint16_t nSecond;
    uint16_t nMilliseconds;
};

// The message part never exceeds what the Windows formatter gives (1024 with the zero).
constexpr size_t kTraceMessageMaxChars = 1023;
// Buffer that always holds a whole line with its terminating zero.
constexpr size_t kTraceLineBufferChars = 1124;

// Writes the line for pszMessage (null counts as empty) into pszLine, cut to fit
// nLineChars with its terminating zero, and returns its length in characters.
size_t BuildTraceLine(const CTraceTime& time, const wchar_t* pszMessage, wchar_t* pszLine, size_t nLineChars);

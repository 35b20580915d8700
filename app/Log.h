// Diagnostic log: one line per message to the debugger output channel.
// A filtered call costs one comparison: the filter test is inline and runs before
// the format pointer or the last-error value is touched; only emitted messages
// reach the out-of-line formatter.
#pragma once
#include <cstdarg>
#include <cstdint>

// Lowest level that passes the filter: 2 for filter 0 (the default), else the filter.
// Written only by XLogSetLevel, once at start-up before a second thread exists.
inline uint16_t g_nXLogMinLevel = 2;

// Levels above 3 are treated as 3; every threshold is at most 3, so the comparison
// needs no clamp of its own.
inline bool XLogIsLevelEnabled(uint16_t nLevel)
{
    return nLevel >= g_nXLogMinLevel;
}

// Sets the filter (0 default, 1 all levels, 2 warnings and errors, 3 errors); above 3 stores 3.
void XLogSetLevel(uint16_t nFilter);
// The stored filter, 0 to 3.
uint16_t XLogGetLevel();

// Never filtered. Keeps the caller's last-error value.
void XLog(const wchar_t* pszFormat, ...);

// Filtered by level (1 detail, 2 warning, 3 error). Keeps the caller's last-error value.
template <typename... TArgs>
inline void XLog(uint16_t nLevel, const wchar_t* pszFormat, TArgs... args)
{
    if (!XLogIsLevelEnabled(nLevel))
        return;
    XLog(pszFormat, args...);
}

// Formatting core of both forms; formats use the wide printf syntax of the Windows
// runtime (%s wide string, %S and %hs narrow string, %c wide char).
void XLogV(const wchar_t* pszFormat, va_list args);

// Emits one finished text as one line (a line feed is appended).
void XLogString(const wchar_t* pszText);

// Where finished lines go; each line already ends in its line feed. The default is
// OutputDebugStringW on Windows and standard error (UTF-8) elsewhere. Passing null
// restores the default. Returns the previous sink. Meant for tests.
using XLogSinkFn = void (*)(const wchar_t* pszLine);
XLogSinkFn XLogSetSink(XLogSinkFn pfnSink);

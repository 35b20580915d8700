// Appends one time-stamped line to "Trace.Log" beside the executable. Start-up only;
// never filtered, never reports a failure: a line that cannot be written is dropped.
#pragma once

void WriteTraceLog(const wchar_t* pszFormat, ...);

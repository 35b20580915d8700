// Log lines that native tests assert on: while a CLogCapture lives, every emitted line is
// collected (without its final line feed) and the filter is the one it was given; the
// previous sink and filter come back when it goes.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "app/Log.h"

inline std::vector<std::wstring> g_lines;

class CLogCapture {
public:
    explicit CLogCapture(uint16_t nFilter) : m_pfnPreviousSink(XLogSetSink(&Capture)), m_nPreviousFilter(XLogGetLevel())
    {
        g_lines.clear();
        XLogSetLevel(nFilter);
    }
    ~CLogCapture()
    {
        XLogSetSink(m_pfnPreviousSink);
        XLogSetLevel(m_nPreviousFilter);
    }
    CLogCapture(const CLogCapture&) = delete;
    CLogCapture& operator=(const CLogCapture&) = delete;

private:
    static void Capture(const wchar_t* pszLine)
    {
        std::wstring line(pszLine);
        if (!line.empty() && line.back() == L'\n')
            line.pop_back();
        g_lines.push_back(line);
    }

    XLogSinkFn m_pfnPreviousSink;
    uint16_t m_nPreviousFilter;
};

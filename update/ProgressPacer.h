// How often the worker reports the transfer's progress to the dialog. A report per chunk
// outruns any dialog over a fast link (tens of thousands a second over loopback) and
// leaves it answering behind a queue of stale reports; one report per interval keeps the
// bar and the counter moving while the dialog stays idle most of the time.
#pragma once
#include <cstdint>

class CProgressPacer {
public:
    // The shortest time between two reports.
    static constexpr uint64_t kIntervalMs = 50;

    // True for the first chunk, then once an interval has passed since the last report;
    // nNowMs is a steady clock in milliseconds.
    bool ShouldReport(uint64_t nNowMs);

private:
    bool m_bReported = false;
    uint64_t m_nLastMs = 0;
};

#include "update/ProgressPacer.h"

bool CProgressPacer::ShouldReport(uint64_t nNowMs)
{
    if (m_bReported && nNowMs - m_nLastMs < kIntervalMs)
        return false;
    m_bReported = true;
    m_nLastMs = nNowMs;
    return true;
}

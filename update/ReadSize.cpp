#include "update/ReadSize.h"

void CReadSize::Update(uint32_t nRequested, uint32_t nRead, uint64_t nElapsedMs)
{
    if (nElapsedMs > kSlowMs) {
        m_nBytes = m_nBytes / 2 < kMinBytes ? kMinBytes : m_nBytes / 2;
        return;
    }
    if (nRead >= nRequested && nElapsedMs < kQuickMs)
        m_nBytes = m_nBytes > kMaxBytes / 2 ? kMaxBytes : m_nBytes * 2;
}

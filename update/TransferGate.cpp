#include "update/TransferGate.h"

void CTransferGate::Pause()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bPaused.store(true, std::memory_order_release);
}

void CTransferGate::Resume()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bPaused.store(false, std::memory_order_release);
    }
    m_changed.notify_all();
}

void CTransferGate::Stop()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStopped.store(true, std::memory_order_release);
    }
    m_changed.notify_all();
}

bool CTransferGate::Pass()
{
    // The common case, once per chunk: no lock.
    if (!m_bPaused.load(std::memory_order_acquire))
        return !IsStopped();
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_bPaused.load(std::memory_order_relaxed) || IsStopped(); });
    return !IsStopped();
}

// Where the updater's worker may be held or turned back: the dialog pauses it while its
// cancel question is open and stops it when the dialog ends. The worker passes the gate
// only between its steps (after a read, before a write or a report), so a pause never
// catches it inside a lock that the dialog's thread needs (memory, the log, the system's
// own); a stop turns it back at the next such point.
#pragma once
#include <atomic>
#include <condition_variable>
#include <mutex>

class CTransferGate {
public:
    // Any thread. Pause holds the worker at its next pass until Resume or Stop.
    void Pause();
    void Resume();
    // Final: every later pass fails, and a held worker is let go.
    void Stop();
    bool IsStopped() const { return m_bStopped.load(std::memory_order_acquire); }

    // The worker: returns at once while the gate is open, waits while it is paused; false
    // once it is stopped.
    bool Pass();

private:
    std::atomic<bool> m_bPaused{false};
    std::atomic<bool> m_bStopped{false};
    std::mutex m_mutex;
    std::condition_variable m_changed;
};

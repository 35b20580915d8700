// How much the worker asks for in one read of the body. A read waits until it has all it
// asked for, and each read costs a fixed time of its own besides (a notification, a log
// line, the system's socket calls). Small reads keep the progress moving and a cancel
// prompt on a slow link, large ones keep that fixed cost from holding back a fast one; so
// the size follows the link: it starts small, doubles while reads come back full and
// quickly, and halves when one takes long.
#pragma once
#include <cstdint>

class CReadSize {
public:
    static constexpr uint32_t kMinBytes = 4096;
    static constexpr uint32_t kMaxBytes = 1024 * 1024;
    // A full read quicker than this asks for more next time.
    static constexpr uint64_t kQuickMs = 20;
    // A read slower than this asks for less next time.
    static constexpr uint64_t kSlowMs = 100;

    uint32_t Get() const { return m_nBytes; }
    // After a read of nRequested bytes that gave nRead and took nElapsedMs.
    void Update(uint32_t nRequested, uint32_t nRead, uint64_t nElapsedMs);

private:
    uint32_t m_nBytes = kMinBytes;
};

// Fuzzes the string-block walk: the first byte picks the entry, the rest is the block.
// The block is copied into a heap buffer of exactly its size, so the sanitizer reports
// any read past its end.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "app/Log.h"
#include "app/StringBlock.h"

namespace {
void DropLine(const wchar_t*) {}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    static const bool s_bQuiet = (XLogSetSink(&DropLine), true);
    (void)s_bQuiet;
    if (nSize == 0)
        return 0;
    const unsigned nIndex = pData[0] & 15;
    const size_t nBlock = nSize - 1;
    std::unique_ptr<uint8_t[]> block(new uint8_t[nBlock]);
    if (nBlock > 0)
        memcpy(block.get(), pData + 1, nBlock);

    CStringBlockEntry entry;
    if (!FindStringBlockEntry(block.get(), nBlock, nIndex, &entry))
        return 0;
    // A found entry lies wholly inside the block and is not empty.
    const size_t nOffset = static_cast<size_t>(entry.pEntry - block.get());
    if (entry.nCount == 0 || nOffset + 2 + 2 * static_cast<size_t>(entry.nCount) > nBlock)
        abort();
    // Touch every byte of the entry; a volatile sink keeps the reads.
    static volatile uint8_t s_nSink = 0;
    for (size_t i = 0; i < 2 + 2 * static_cast<size_t>(entry.nCount); ++i)
        s_nSink = s_nSink ^ entry.pEntry[i];
    return 0;
}

// The walk through one block of a string-table resource: 16 entries, each a 16-bit
// little-endian count of UTF-16 units followed by that many units, no terminator. The
// block comes from a module's resources, so every count is checked against its size.
#pragma once
#include <cstddef>
#include <cstdint>

// Entries per block; string id N is entry N & 15 of block (N >> 4) + 1.
constexpr unsigned kStringBlockEntries = 16;

// One entry inside the block: pEntry is the address of its count, the text follows it.
struct CStringBlockEntry {
    const uint8_t* pEntry = nullptr;
    uint16_t nCount = 0;
};

// Finds entry nIndex (0 to 15) of the nSize bytes at pBlock. True and the entry when it
// holds text. Otherwise false with the last-error value ERROR_INVALID_DATA (13) for a
// block that ends too early, logged at level 2, or ERROR_RESOURCE_NAME_NOT_FOUND (1814)
// for an absent (empty) string.
bool FindStringBlockEntry(const void* pBlock, size_t nSize, unsigned nIndex, CStringBlockEntry* pResult);

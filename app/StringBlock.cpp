#include "app/StringBlock.h"

#include "app/LastError.h"
#include "app/Log.h"

namespace {

constexpr uint32_t kErrorInvalidData = 13;
constexpr uint32_t kErrorResourceNameNotFound = 1814;

// Resource data is little-endian; reading byte by byte needs no alignment.
uint16_t ReadCount(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

bool Fail(const wchar_t* pszMessage)
{
    XLog(2, pszMessage);
    XSetLastError(kErrorInvalidData);
    return false;
}

}  // namespace

bool FindStringBlockEntry(const void* pBlock, size_t nSize, unsigned nIndex, CStringBlockEntry* pResult)
{
    if (pResult)
        *pResult = {};
    if (!pBlock || !pResult || nIndex >= kStringBlockEntries)
        return Fail(L"GetStringResourceImage: invalid resources.");

    const uint8_t* pBytes = static_cast<const uint8_t*>(pBlock);
    // At most 16 steps of 2 + 2 * 65535 bytes: no overflow of size_t.
    size_t nOffset = 0;
    for (unsigned nEntry = 0;; ++nEntry) {
        // A skipped entry may have run past the end, so compare before subtracting.
        if (nOffset > nSize || nSize - nOffset < 2)
            return Fail(L"GetStringResourceImage: invalid resources.");
        const uint16_t nCount = ReadCount(pBytes + nOffset);
        const size_t nEnd = nOffset + 2 + 2 * static_cast<size_t>(nCount);
        if (nEntry == nIndex) {
            if (nEnd > nSize)
                return Fail(L"GetStringResourceImage: invalid resources [2].");
            if (nCount == 0) {
                XSetLastError(kErrorResourceNameNotFound);
                return false;
            }
            pResult->pEntry = pBytes + nOffset;
            pResult->nCount = nCount;
            return true;
        }
        nOffset = nEnd;
    }
}

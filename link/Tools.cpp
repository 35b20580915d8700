#include "link/Tools.h"

#include <bit>
#include <cstring>
#include <cwctype>

#include "app/LastError.h"
#include "app/Log.h"

namespace {

// Output buffer of one conversion, on the stack. The widest text field is 800 bytes and a
// width above 2047 is refused, so the buffer always has room: every input byte gives at most
// one code unit (a four-byte sequence gives two).
constexpr size_t kBufferUnits = 2048;
constexpr wchar_t kReplacement = 0xFFFD;
constexpr uint32_t kErrorInsufficientBuffer = 122;
constexpr uint64_t kHighBits = 0x8080808080808080ull;

// Number of bytes before the first one with its top bit set, in eight bytes loaded from
// memory; nHigh holds only those top bits and is not zero.
size_t LeadingAsciiBytes(uint64_t nHigh)
{
    if constexpr (std::endian::native == std::endian::little)
        return static_cast<size_t>(std::countr_zero(nHigh)) / 8;
    else
        return static_cast<size_t>(std::countl_zero(nHigh)) / 8;
}

// UTF-8 to UTF-16 the way the system decoder does it without flags: nothing is rejected,
// each maximal ill-formed subpart becomes one U+FFFD, code points above U+FFFF become a
// surrogate pair. Kept in our own code so that every build gives the same code units.
// Returns false (last error set) only when the output could not fit.
bool DecodeUtf8(const uint8_t* pSrc, size_t nSrc, wchar_t* pDst, size_t nDstUnits, size_t& nUnits)
{
    nUnits = 0;
    // Units never outnumber bytes, so this up-front test is enough.
    if (nSrc > nDstUnits) {
        XSetLastError(kErrorInsufficientBuffer);
        return false;
    }

    size_t i = 0;
    size_t o = 0;
    while (i < nSrc) {
        // Most SMS text is ASCII: take sixteen, then eight bytes at a time while none has its
        // top bit set, and the ASCII bytes in front of the first one that has.
        while (nSrc - i >= 16) {
            uint64_t nWords[2];
            std::memcpy(nWords, pSrc + i, sizeof nWords);
            if ((nWords[0] | nWords[1]) & kHighBits)
                break;
            for (size_t k = 0; k < 16; ++k)
                pDst[o + k] = static_cast<wchar_t>(pSrc[i + k]);
            i += 16;
            o += 16;
        }
        while (nSrc - i >= 8) {
            uint64_t nWord;
            std::memcpy(&nWord, pSrc + i, sizeof nWord);
            const uint64_t nHigh = nWord & kHighBits;
            const size_t nAscii = nHigh == 0 ? 8 : LeadingAsciiBytes(nHigh);
            for (size_t k = 0; k < nAscii; ++k)
                pDst[o + k] = static_cast<wchar_t>(pSrc[i + k]);
            i += nAscii;
            o += nAscii;
            if (nHigh != 0)
                break;
        }
        if (i >= nSrc)
            break;

        const uint8_t nLead = pSrc[i];
        if (nLead < 0x80) {
            pDst[o++] = static_cast<wchar_t>(nLead);
            ++i;
            continue;
        }

        // Range of the second byte; it excludes overlong forms (E0, F0), surrogates (ED)
        // and code points above U+10FFFF (F4). Later bytes are plain continuation bytes.
        size_t nTrail;
        uint32_t nCode;
        uint8_t nLow = 0x80;
        uint8_t nHigh = 0xBF;
        if (nLead >= 0xC2 && nLead <= 0xDF) {
            nTrail = 1;
            nCode = nLead & 0x1Fu;
        } else if (nLead >= 0xE0 && nLead <= 0xEF) {
            nTrail = 2;
            nCode = nLead & 0x0Fu;
            if (nLead == 0xE0)
                nLow = 0xA0;
            else if (nLead == 0xED)
                nHigh = 0x9F;
        } else if (nLead >= 0xF0 && nLead <= 0xF4) {
            nTrail = 3;
            nCode = nLead & 0x07u;
            if (nLead == 0xF0)
                nLow = 0x90;
            else if (nLead == 0xF4)
                nHigh = 0x8F;
        } else {
            // A stray continuation byte or a byte that never starts a sequence.
            pDst[o++] = kReplacement;
            ++i;
            continue;
        }

        size_t j = i + 1;
        bool bComplete = true;
        for (size_t k = 0; k < nTrail; ++k, ++j) {
            if (j >= nSrc || pSrc[j] < nLow || pSrc[j] > nHigh) {
                bComplete = false;
                break;
            }
            nCode = (nCode << 6) | (pSrc[j] & 0x3Fu);
            nLow = 0x80;
            nHigh = 0xBF;
        }
        i = j;  // past the sequence, or past its maximal subpart
        if (!bComplete) {
            pDst[o++] = kReplacement;
        } else if (nCode >= 0x10000) {
            nCode -= 0x10000;
            pDst[o++] = static_cast<wchar_t>(0xD800 + (nCode >> 10));
            pDst[o++] = static_cast<wchar_t>(0xDC00 + (nCode & 0x3FF));
        } else {
            pDst[o++] = static_cast<wchar_t>(nCode);
        }
    }
    nUnits = o;
    return true;
}

bool IsSpace(wchar_t ch)
{
    return std::iswspace(static_cast<wint_t>(ch)) != 0;
}

}  // namespace

std::wstring CTools::Utf8ToUtf16(int16_t nWidth, int16_t nLength, const uint8_t* pBytes, const wchar_t* pFallback)
{
    if (nWidth + 1 > static_cast<int>(kBufferUnits)) {
        XLog(3, L"CTools::Utf8ToUtf16, NOK.");
        return std::wstring();
    }

    // The length comes from the wire. One larger than the area, or negative (16-bit fields
    // from 0x8000 up), is cut to the width: nothing beyond the area is ever read.
    const int nArea = (nWidth > 0 && pBytes != nullptr) ? nWidth : 0;
    const int nUsed = (nLength < 0 || nLength > nArea) ? nArea : nLength;

    // A NUL ends the text. It never sits inside a multi-byte sequence, so decoding only the
    // bytes before it gives the same code units as decoding everything and cutting after.
    size_t nBytes = static_cast<size_t>(nUsed);
    if (nBytes > 0) {
        if (const void* pNul = std::memchr(pBytes, 0, nBytes))
            nBytes = static_cast<size_t>(static_cast<const uint8_t*>(pNul) - pBytes);
    }

    wchar_t szBuffer[kBufferUnits];
    size_t nUnits = 0;
    if (!DecodeUtf8(pBytes, nBytes, szBuffer, kBufferUnits, nUnits))
        XLog(2, L"CTools::Utf8ToUtf16, MultiByteToWideChar: NOK, %d.", static_cast<int>(XGetLastError()));

    size_t nEnd = nUnits;
    while (nEnd > 0 && IsSpace(szBuffer[nEnd - 1]))
        --nEnd;
    size_t nBegin = 0;
    while (nBegin < nEnd && IsSpace(szBuffer[nBegin]))
        ++nBegin;

    if (nBegin == nEnd && pFallback != nullptr)
        return std::wstring(pFallback);
    return std::wstring(szBuffer + nBegin, nEnd - nBegin);
}

// Text decoding of the router's UTF-8 text fields.
#pragma once
#include <cstdint>
#include <string>

class CTools {
public:
    // Decodes one text field: nWidth is the width of the field's area in bytes, nLength the
    // value of its length field (a 16-bit length field is passed on bit for bit), pBytes the
    // first byte of the area. The result is UTF-16 code units (also where wchar_t is 32 bits
    // wide), cut at the first NUL, with white space trimmed at both ends; when that leaves
    // nothing and pFallback is given, the result is pFallback. Failures are logged and give
    // the empty text.
    static std::wstring Utf8ToUtf16(int16_t nWidth, int16_t nLength, const uint8_t* pBytes,
                                    const wchar_t* pFallback = nullptr);
};

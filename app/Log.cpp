#include "app/Log.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cwchar>

#include "app/LastError.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

const wchar_t kNullFormat[] = L"XLog: <Null>.";
const wchar_t kNoMemory[] = L"XLog: Not enough memory to log message.";
const wchar_t kCannotFormat[] = L"XLog: Cannot format message.";
const wchar_t kSuspicious[] = L"XLog: Suspicious state.";
const wchar_t kStringNull[] = L"XLogString: <Null>.";
const wchar_t kStringNoMemory[] = L"XLogString: Not enough memory to log message.\n";

uint16_t s_nFilter = 0;

#ifdef _WIN32

const wchar_t kBadFormat[] = L"XLog: <BadPtr>.";

void DefaultSink(const wchar_t* pszLine)
{
    OutputDebugStringW(pszLine);
}

const wchar_t* CheckedFormat(const wchar_t* pszFormat)
{
    if (pszFormat == nullptr)
        return kNullFormat;
    if (IsBadStringPtrW(pszFormat, static_cast<UINT_PTR>(-1)))
        return kBadFormat;
    return pszFormat;
}

// msvcrt's own functions: they give %s its wide meaning in a wide format, which the
// mingw replacements behind __USE_MINGW_ANSI_STDIO do not promise.
int MeasureFormatted(const wchar_t* pszFormat, va_list args)
{
    return _vscwprintf(pszFormat, args);
}

int FormatInto(wchar_t* pszBuffer, size_t nMaxChars, const wchar_t* pszFormat, va_list args)
{
    return _vsnwprintf(pszBuffer, nMaxChars, pszFormat, args);
}

// The runtime reads the log formats as they are written.
bool PrepareFormat(const wchar_t* pszFormat, const wchar_t** ppszUsed, wchar_t** ppszOwned)
{
    *ppszUsed = pszFormat;
    *ppszOwned = nullptr;
    return true;
}

#else

// Standard error takes UTF-8 bytes; wide output would change the stream's orientation
// under anyone else writing narrow text to it.
void DefaultSink(const wchar_t* pszLine)
{
    char buffer[512];
    size_t nUsed = 0;
    for (const wchar_t* p = pszLine; *p != L'\0'; ++p) {
        if (nUsed + 4 > sizeof(buffer)) {
            fwrite(buffer, 1, nUsed, stderr);
            nUsed = 0;
        }
        uint32_t c = static_cast<uint32_t>(*p);
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            c = 0xFFFD;
        if (c < 0x80) {
            buffer[nUsed++] = static_cast<char>(c);
        } else if (c < 0x800) {
            buffer[nUsed++] = static_cast<char>(0xC0 | (c >> 6));
            buffer[nUsed++] = static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            buffer[nUsed++] = static_cast<char>(0xE0 | (c >> 12));
            buffer[nUsed++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            buffer[nUsed++] = static_cast<char>(0x80 | (c & 0x3F));
        } else {
            buffer[nUsed++] = static_cast<char>(0xF0 | (c >> 18));
            buffer[nUsed++] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            buffer[nUsed++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            buffer[nUsed++] = static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    fwrite(buffer, 1, nUsed, stderr);
    fflush(stderr);
}

// There is no cheap, reliable readability test for a pointer here; only null is caught.
const wchar_t* CheckedFormat(const wchar_t* pszFormat)
{
    return pszFormat == nullptr ? kNullFormat : pszFormat;
}

bool IsFlag(wchar_t c)
{
    return c == L'-' || c == L'+' || c == L' ' || c == L'#' || c == L'0';
}

bool IsDigit(wchar_t c)
{
    return c >= L'0' && c <= L'9';
}

// Rewrites a format of the Windows runtime's wide printf into glibc's: %s and %c take
// wide arguments, %S %hs %C %hc narrow ones, l on an integer is 32 bits, I64 is 64 bits,
// I is pointer-sized, %p prints 16 upper-case hex digits. Every conversion spec is at
// least two characters and grows by at most four, so three times the input suffices.
wchar_t* TranslateFormat(const wchar_t* pszFormat)
{
    const size_t nLength = wcslen(pszFormat);
    wchar_t* pszOut = static_cast<wchar_t*>(malloc((nLength * 3 + 1) * sizeof(wchar_t)));
    if (pszOut == nullptr)
        return nullptr;
    wchar_t* q = pszOut;
    const wchar_t* p = pszFormat;
    while (*p != L'\0') {
        if (*p != L'%') {
            *q++ = *p++;
            continue;
        }
        *q++ = *p++;
        if (*p == L'%') {
            *q++ = *p++;
            continue;
        }
        // Flags, width and precision mean the same in both.
        bool bHasLayout = false;
        while (IsFlag(*p) || IsDigit(*p) || *p == L'*' || *p == L'.') {
            *q++ = *p++;
            bHasLayout = true;
        }
        enum class Size { None, Short, Char, Long, LongLong, Pointer, Other };
        Size size = Size::None;
        wchar_t other = 0;
        if (p[0] == L'I' && p[1] == L'6' && p[2] == L'4') {
            size = Size::LongLong;
            p += 3;
        } else if (p[0] == L'I' && p[1] == L'3' && p[2] == L'2') {
            size = Size::None;
            p += 3;
        } else if (p[0] == L'I') {
            size = Size::Pointer;
            p += 1;
        } else if (p[0] == L'l' && p[1] == L'l') {
            size = Size::LongLong;
            p += 2;
        } else if (p[0] == L'h' && p[1] == L'h') {
            size = Size::Char;
            p += 2;
        } else if (p[0] == L'l' || p[0] == L'w') {
            size = Size::Long;
            p += 1;
        } else if (p[0] == L'h') {
            size = Size::Short;
            p += 1;
        } else if (p[0] == L'L' || p[0] == L'z' || p[0] == L'j' || p[0] == L't') {
            size = Size::Other;
            other = p[0];
            p += 1;
        }
        const wchar_t conversion = *p;
        if (conversion == L'\0')
            break;
        ++p;
        switch (conversion) {
        case L's':
        case L'c':
        case L'S':
        case L'C': {
            const bool bUpper = conversion == L'S' || conversion == L'C';
            const bool bNarrow = size == Size::Short || (bUpper && size != Size::Long);
            if (!bNarrow)
                *q++ = L'l';
            *q++ = bUpper ? static_cast<wchar_t>(conversion + (L'a' - L'A')) : conversion;
            break;
        }
        case L'd':
        case L'i':
        case L'o':
        case L'u':
        case L'x':
        case L'X':
        case L'n':
            if (size == Size::Short) {
                *q++ = L'h';
            } else if (size == Size::Char) {
                *q++ = L'h';
                *q++ = L'h';
            } else if (size == Size::LongLong) {
                *q++ = L'l';
                *q++ = L'l';
            } else if (size == Size::Pointer) {
                *q++ = L'z';
            } else if (size == Size::Other && other != L'L') {
                *q++ = other;
            }
            *q++ = conversion;
            break;
        case L'p':
            if (!bHasLayout) {
                *q++ = L'0';
                *q++ = L'1';
                *q++ = L'6';
            }
            *q++ = L'l';
            *q++ = L'X';
            break;
        default:
            // Floating point (long double is double there) and anything unknown.
            *q++ = conversion;
            break;
        }
    }
    *q = L'\0';
    return pszOut;
}

// False if there is no memory for the translation.
bool PrepareFormat(const wchar_t* pszFormat, const wchar_t** ppszUsed, wchar_t** ppszOwned)
{
    *ppszOwned = TranslateFormat(pszFormat);
    *ppszUsed = *ppszOwned;
    return *ppszOwned != nullptr;
}

int MeasureFormatted(const wchar_t* pszFormat, va_list args)
{
    wchar_t* pBuffer = nullptr;
    size_t nSize = 0;
    FILE* pStream = open_wmemstream(&pBuffer, &nSize);
    if (pStream == nullptr)
        return -1;
    const int nLength = vfwprintf(pStream, pszFormat, args);
    fclose(pStream);
    free(pBuffer);
    return nLength;
}

// Like the Windows runtime's _vsnwprintf: at most nMaxChars characters; the caller's
// buffer has room for one more, the terminating zero that vswprintf always writes.
int FormatInto(wchar_t* pszBuffer, size_t nMaxChars, const wchar_t* pszFormat, va_list args)
{
    return vswprintf(pszBuffer, nMaxChars + 1, pszFormat, args);
}

#endif

std::atomic<XLogSinkFn> s_pfnSink{&DefaultSink};

void Emit(const wchar_t* pszLine)
{
    s_pfnSink.load(std::memory_order_acquire)(pszLine);
}

}  // namespace

void XLogSetLevel(uint16_t nFilter)
{
    s_nFilter = nFilter > 3 ? 3 : nFilter;
    // Filter 0 lets everything but detail through, the same as filter 2.
    g_nXLogMinLevel = s_nFilter == 0 ? 2 : s_nFilter;
}

uint16_t XLogGetLevel()
{
    return s_nFilter;
}

XLogSinkFn XLogSetSink(XLogSinkFn pfnSink)
{
    return s_pfnSink.exchange(pfnSink != nullptr ? pfnSink : &DefaultSink, std::memory_order_acq_rel);
}

void XLog(const wchar_t* pszFormat, ...)
{
    const uint32_t nError = XGetLastError();
    va_list args;
    va_start(args, pszFormat);
    // XLogV replaces a null or unreadable format.
    XLogV(pszFormat, args);
    va_end(args);
    XSetLastError(nError);
}

void XLogV(const wchar_t* pszFormat, va_list args)
{
    const uint32_t nError = XGetLastError();
    pszFormat = CheckedFormat(pszFormat);

    const wchar_t* pszUsed = nullptr;
    wchar_t* pszTranslated = nullptr;
    if (!PrepareFormat(pszFormat, &pszUsed, &pszTranslated)) {
        XLogString(kNoMemory);
        XSetLastError(nError);
        return;
    }

    va_list measureArgs;
    va_copy(measureArgs, args);
    const int nLength = MeasureFormatted(pszUsed, measureArgs);
    va_end(measureArgs);

    if (nLength < 0) {
        XLogString(kCannotFormat);
    } else {
        const size_t nChars = static_cast<size_t>(nLength);
        wchar_t* pszText = static_cast<wchar_t*>(malloc((nChars + 2) * sizeof(wchar_t)));
        if (pszText == nullptr) {
            XLogString(kNoMemory);
        } else {
            const int nWritten = FormatInto(pszText, nChars + 1, pszUsed, args);
            if (nWritten < 0) {
                XLogString(kCannotFormat);
            } else {
                if (nWritten != nLength)
                    XLogString(kSuspicious);
                // At most nChars + 1 were written; the buffer has room for the zero.
                pszText[nWritten] = L'\0';
                XLogString(pszText);
            }
            free(pszText);
        }
    }
    free(pszTranslated);
    XSetLastError(nError);
}

void XLogString(const wchar_t* pszText)
{
    const uint32_t nError = XGetLastError();
    if (pszText == nullptr)
        pszText = kStringNull;
    const size_t nLength = wcslen(pszText);
    wchar_t* pszLine = static_cast<wchar_t*>(malloc((nLength + 4) * sizeof(wchar_t)));
    if (pszLine == nullptr) {
        Emit(kStringNoMemory);
    } else {
        wmemcpy(pszLine, pszText, nLength);
        pszLine[nLength] = L'\n';
        pszLine[nLength + 1] = L'\0';
        Emit(pszLine);
        free(pszLine);
    }
    XSetLastError(nError);
}

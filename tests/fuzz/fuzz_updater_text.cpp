// Fuzzes the updater's readings of outside text: a URL from a router message (the stored
// name, whether it stays in the download folder, whether it is a web address), a
// Content-Length header, and a status notification's information block. The first byte
// picks the status code; the rest is both the block (copied into a buffer of exactly its
// size, so the sanitizer reports any read past it) and, two bytes a character, the text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>

#include "update/DownloadName.h"
#include "update/InternetStatusText.h"
#include "update/TransferCount.h"
#include "update/WebAddress.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    if (nSize == 0)
        return 0;
    const uint32_t nStatus = pData[0];
    const size_t nBlock = nSize - 1;
    std::unique_ptr<uint8_t[]> block(new uint8_t[nBlock]);
    if (nBlock > 0)
        memcpy(block.get(), pData + 1, nBlock);
    std::wstring strStatus;
    InternetStatusText(nStatus, nBlock ? block.get() : nullptr, static_cast<uint32_t>(nBlock), strStatus);

    std::wstring strText;
    for (size_t i = 0; i + 1 < nBlock; i += 2)
        strText.push_back(static_cast<wchar_t>(block[i] | (block[i + 1] << 8)));

    // The stored name never holds a slash, and a plain name nothing that leaves the folder.
    const std::wstring strName = FileNameFromUrl(strText);
    if (strName.find(L'/') != std::wstring::npos)
        abort();
    if (IsPlainFileName(strName) &&
        (strName.empty() || strName.find_first_of(L"\\:") != std::wstring::npos || strName == L"." || strName == L".."))
        abort();
    if (IsWebAddress(strText) && strText.size() < 8)
        abort();

    const CContentLength length = ParseContentLength(strText);
    if (length.ForReport() < 0 || (!length.bAnnounced && length.nBytes != 0))
        abort();
    return 0;
}

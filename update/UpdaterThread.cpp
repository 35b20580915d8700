#include "update/UpdaterThread.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <wininet.h>

#include <chrono>
#include <new>
#include <utility>

#include "app/Log.h"
#include "app/StringLoader.h"
#include "app/SysWrappers.h"
#include "framework/ErrorText.h"
#include "framework/File.h"
#include "framework/FileException.h"
#include "framework/InternetException.h"
#include "resources/StringIds.h"
#include "update/DownloadName.h"
#include "update/ProgressPacer.h"
#include "update/ReadSize.h"
#include "update/WebAddress.h"

namespace {

constexpr DWORD_PTR kContext = 1;
// Error texts are shown and logged cut to this many characters.
constexpr UINT kErrorChars = 255;
// An error answer's reason text is the server's own; shown cut to this many characters.
constexpr size_t kReasonChars = 100;

// The local application data's folder of the program, made if missing; empty when the
// system cannot name the local application data (the file then goes to the root folder
// of the current drive).
std::wstring DownloadFolder()
{
    wchar_t szFolder[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT,
                                szFolder))) {
        XLog(3, L"CUpdaterThread::OnStartUpdate, SHGetFolderPath failed %d", static_cast<int>(GetLastError()));
        return {};
    }
    std::wstring strFolder = szFolder;
    XBuffer<wchar_t> title(LoadAppString(IDS_APP_TITLE));
    if (title && title.Get()[0]) {
        strFolder += L'\\';
        strFolder += title.Get();
    }
    if (GetFileAttributesW(strFolder.c_str()) == INVALID_FILE_ATTRIBUTES &&
        !CreateDirectoryW(strFolder.c_str(), nullptr))
        XLog(3, L"CUpdaterThread::OnStartUpdate, CreateDirectory failed %d", static_cast<int>(GetLastError()));
    return strFolder;
}

// "HTTP 404 Not Found": the status and the server's reason, without control characters.
std::wstring ErrorAnswerText(DWORD nStatus, const std::wstring& strReason)
{
    std::wstring strText = L"HTTP " + std::to_wstring(nStatus);
    std::wstring strClean;
    for (wchar_t ch : strReason)
        if (ch >= 0x20 && ch != 0x7F && strClean.size() < kReasonChars)
            strClean.push_back(ch);
    if (!strClean.empty())
        strText += L' ' + strClean;
    return strText;
}

std::wstring ErrorText(const CException& error)
{
    wchar_t szText[kErrorChars];
    error.GetErrorMessage(szText, kErrorChars);
    return szText;
}

}  // namespace

CUpdaterThread::CUpdaterThread(const std::wstring& strUrl, CDlgUpdater* pDialog, HWND hDialog,
                               std::shared_ptr<CTransferGate> pGate)
    : m_pDialog(pDialog), m_strUrl(strUrl), m_strFileName(FileNameFromUrl(strUrl)), m_hDialog(hDialog),
      m_pGate(std::move(pGate))
{
}

CUpdaterThread::~CUpdaterThread() = default;

bool CUpdaterThread::InitInstance()
{
    XLog(1, L"[%d] CUpdaterThread::InitInstance", static_cast<int>(GetCurrentThreadId()));
    // The shell's "open" may hand the file to a handler that needs COM on this thread.
    m_bComInitialized = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
    try {
        OpenUrl();
    } catch (const CInternetException& error) {
        const std::wstring strText = ErrorText(error);
        CUpdaterInternetSession::SetStatus(strText.c_str());
        PostProgress(Failed, strText, L"", 0, 0);
        m_pFile.reset();
    } catch (const std::bad_alloc&) {
        PostProgress(Failed, SystemErrorText(ERROR_NOT_ENOUGH_MEMORY), L"", 0, 0);
        m_pFile.reset();
    }
    if (m_pFile)
        PostProgress(Ready, L"", m_strFileName, m_nFileSize, 0);
    return true;
}

void CUpdaterThread::OpenUrl()
{
    // Only web addresses are fetched: the library would open files and other schemes too.
    if (!IsWebAddress(m_strUrl))
        AfxThrowInternetException(ERROR_INTERNET_UNRECOGNIZED_SCHEME);
    m_pSession = std::make_unique<CUpdaterInternetSession>();
    // Always from the server and never into the library's cache: a cached copy could be an
    // older installer under the same address, and caching would store every byte twice.
    m_pFile = m_pSession->OpenURL(m_strUrl.c_str(), kContext,
                                  INTERNET_FLAG_TRANSFER_BINARY | INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE,
                                  nullptr, 0);
    // An error answer's body is an error page, not the installer.
    DWORD nStatus = 0;
    if (m_pFile->QueryInfoStatusCode(nStatus) && nStatus >= 400) {
        std::wstring strReason;
        m_pFile->QueryInfo(HTTP_QUERY_STATUS_TEXT, strReason);
        throw CInternetException(nStatus, ErrorAnswerText(nStatus, strReason));
    }
    std::wstring strLength;
    m_pFile->QueryInfo(HTTP_QUERY_CONTENT_LENGTH, strLength);
    m_contentLength = ParseContentLength(strLength);
    m_nFileSize = m_contentLength.ForReport();
}

bool CUpdaterThread::OnThreadMessage(const MSG& msg)
{
    if (msg.message != WM_UPDATER_START)
        return false;
    OnStartUpdate();
    return true;
}

void CUpdaterThread::OnStartUpdate()
{
    XLog(2, L"URL is %s", m_strUrl.c_str());
    if (!m_pSession || !m_pFile)
        return;
    bool bStored = false;
    std::wstring strPath;
    try {
        strPath = DownloadFolder() + L'\\' + m_strFileName;
        bStored = Transfer(strPath);
    } catch (const CFileException& error) {
        const std::wstring strText = ErrorText(error);
        XLog(3, L"CUpdaterThread::OnStartUpdate, CFileException: %s", strText.c_str());
        PostProgress(Failed, strText, L"", 0, 0);
    } catch (const CInternetException& error) {
        const std::wstring strText = ErrorText(error);
        XLog(3, L"CUpdaterThread::OnStartUpdate, CInternetException: %s", strText.c_str());
        PostProgress(Failed, strText, L"", 0, 0);
    } catch (const std::bad_alloc&) {
        PostProgress(Failed, SystemErrorText(ERROR_NOT_ENOUGH_MEMORY), L"", 0, 0);
    }
    // The body is used up: a second start finds nothing to transfer, rather than cutting
    // the stored file to nothing and opening that.
    m_pFile.reset();
    if (!bStored)
        return;
    if (!PostProgress(Done, L"", m_strFileName, 0, 0)) {
        // Cancelled after the last chunk: as at any other chunk.
        CFile::Remove(strPath.c_str());
        XLog(1, L"CUpdaterThread::OnStartUpdate: cancelled.");
        return;
    }
    ShellExecuteW(nullptr, L"open", strPath.c_str(), nullptr, nullptr, SW_SHOW);
}

bool CUpdaterThread::Transfer(const std::wstring& strPath)
{
    // The name comes from the URL: anything but a plain name would leave the folder.
    if (!IsPlainFileName(m_strFileName))
        AfxThrowFileException(ERROR_INVALID_NAME, strPath);
    CFile file(strPath.c_str(), CFile::modeCreate | CFile::modeWrite | CFile::typeBinary);
    // One buffer for the whole transfer, never the whole file.
    const std::unique_ptr<BYTE[]> pChunk(new BYTE[CReadSize::kMaxBytes]);
    CReadSize readSize;
    uint64_t nTotal = 0;
    int32_t nReceived = 0;
    CProgressPacer pacer;
    bool bUnreported = false;
    for (;;) {
        const uint32_t nWanted = readSize.Get();
        const auto start = std::chrono::steady_clock::now();
        const UINT nRead = m_pFile->Read(pChunk.get(), nWanted);
        readSize.Update(nWanted, nRead,
                        static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                  std::chrono::steady_clock::now() - start)
                                                  .count()));
        if (!m_pGate->Pass()) {
            file = CFile();
            CFile::Remove(strPath.c_str());
            XLog(1, L"CUpdaterThread::OnStartUpdate: cancelled.");
            return false;
        }
        if (nRead == 0)
            break;
        file.Write(pChunk.get(), nRead);
        nTotal += nRead;
        nReceived = AddToCount(nReceived, nRead);
        bUnreported = !pacer.ShouldReport(GetTickCount64());
        if (!bUnreported)
            PostProgress(Downloading, L"", m_strFileName, m_nFileSize, nReceived);
    }
    // The counter ends at the whole size before the dialog closes.
    if (bUnreported)
        PostProgress(Downloading, L"", m_strFileName, m_nFileSize, nReceived);
    // A connection that ends before the announced size is no complete installer.
    if (m_contentLength.bAnnounced && nTotal != m_contentLength.nBytes)
        AfxThrowInternetException(ERROR_INTERNET_CONNECTION_ABORTED);
    file.Close();
    return true;
}

bool CUpdaterThread::PostProgress(UpdaterState nState, const std::wstring& strMessage, const std::wstring& strFileName,
                                  int32_t nTotalBytes, int32_t nBytesReceived)
{
    if (!m_pGate->Pass())
        return false;
    if (!m_pDialog)
        return true;
    try {
        auto pProgress = std::make_unique<UpdateProgress>();
        pProgress->m_strMessage = strMessage;
        pProgress->m_strFileName = strFileName;
        pProgress->m_nTotalBytes = nTotalBytes;
        pProgress->m_nBytesReceived = nBytesReceived;
        if (PostMessageW(m_hDialog, WM_UPDATER_PROGRESS, static_cast<WPARAM>(nState),
                         reinterpret_cast<LPARAM>(pProgress.get())))
            pProgress.release();
    } catch (const std::bad_alloc&) {
    }
    return true;
}

int CUpdaterThread::ExitInstance()
{
    XLog(1, L"CUpdaterThread::ExitInstance");
    if (m_pFile) {
        m_pFile->Close();
        m_pFile.reset();
    }
    m_nFileSize = 0;
    m_pSession.reset();
    if (m_bComInitialized)
        CoUninitialize();
    m_bComInitialized = false;
    return CWinThread::ExitInstance();
}

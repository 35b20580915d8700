// The updater's worker: a thread with its own message queue that opens the installer's URL
// (at its start), transfers the body into the download folder when the dialog posts
// WM_UPDATER_START, and opens the stored file with the shell. It reports to the dialog only
// by posting WM_UPDATER_PROGRESS with a new UpdateProgress that the dialog frees; it ends
// on WM_QUIT and then deletes itself.
//
// Between its steps it passes the dialog's CTransferGate: held there while the dialog's
// cancel question is open, turned back (the transfer abandoned, its file removed, nothing
// opened or reported) once the dialog has stopped it.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "framework/HttpFile.h"
#include "framework/WinThread.h"
#include "update/TransferCount.h"
#include "update/TransferGate.h"
#include "update/UpdateProgress.h"
#include "update/UpdaterInternetSession.h"

class CDlgUpdater;

// Dialog -> worker (thread message, both parameters 0): start the transfer.
constexpr UINT WM_UPDATER_START = WM_USER + 1;
// Worker -> dialog: wParam the new UpdaterState, lParam an UpdateProgress* that the
// receiver frees.
constexpr UINT WM_UPDATER_PROGRESS = WM_USER + 2;

class CUpdaterThread : public CWinThread {
public:
    // The worker of one showing: the URL is copied; pGate is shared with the dialog.
    // hDialog is the dialog's window, the only thing of it the worker touches.
    CUpdaterThread(const std::wstring& strUrl, CDlgUpdater* pDialog, HWND hDialog,
                   std::shared_ptr<CTransferGate> pGate);
    ~CUpdaterThread() override;

    // Opens the session and the URL, then reports Ready or Failed; always true (the loop
    // follows either way).
    bool InitInstance() override;
    // Closes the response and the session.
    int ExitInstance() override;
    bool OnThreadMessage(const MSG& msg) override;

    // WM_UPDATER_START: stores the body in the download folder and opens it.
    void OnStartUpdate();
    // Posts one report to the dialog after passing the gate; false when the gate turned the
    // worker back (nothing posted). A report that cannot be posted is freed here.
    bool PostProgress(UpdaterState nState, const std::wstring& strMessage, const std::wstring& strFileName,
                      int32_t nTotalBytes, int32_t nBytesReceived);

    CDlgUpdater* m_pDialog;
    std::wstring m_strUrl;
    std::wstring m_strFileName;
    std::unique_ptr<CHttpFile> m_pFile;
    int32_t m_nFileSize = 0;
    std::unique_ptr<CUpdaterInternetSession> m_pSession;

private:
    void OpenUrl();
    // Transfers the body into strPath; false when the gate turned the worker back (the
    // file is then removed). Throws CFileException and CInternetException.
    bool Transfer(const std::wstring& strPath);

    HWND m_hDialog;
    std::shared_ptr<CTransferGate> m_pGate;
    CContentLength m_contentLength;
    bool m_bComInitialized = false;
};

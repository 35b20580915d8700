#include "update/DlgUpdater.h"

#include "app/Log.h"
#include "app/StringLoader.h"
#include "app/SysWrappers.h"
#include "framework/ErrorText.h"
#include "framework/MessageBox.h"
#include "resources/StringIds.h"
#include "resources/resource.h"
#include "update/UpdaterView.h"

namespace {

std::wstring LoadText(uint32_t nId)
{
    XBuffer<wchar_t> text(LoadAppString(nId));
    return text ? std::wstring(text.Get()) : std::wstring();
}

}  // namespace

CDlgUpdater::CDlgUpdater() : CDialog(IDD_UPDATER, nullptr) {}

CDlgUpdater::~CDlgUpdater() = default;

CDlgUpdater& CDlgUpdater::GetInstance()
{
    static CDlgUpdater s_dialog;
    return s_dialog;
}

void CDlgUpdater::SetUrl(const std::wstring& strUrl)
{
    m_strUrl = strUrl;
}

void CDlgUpdater::DoDataExchange()
{
    DDX_Control(IDC_UPDATER_PROGRESS, m_progress);
    DDX_Control(IDC_UPDATER_PROMPT, m_prompt);
    DDX_Control(IDC_UPDATER_STATUS, m_status);
}

BOOL CDlgUpdater::OnInitDialog()
{
    CDialog::OnInitDialog();
    SetDlgItemText(IDC_UPDATER_DOWNLOADING, LoadText(IDS_DOWNLOADING).c_str());
    SetDlgItemText(IDC_UPDATER_SIZE_LABEL, LoadText(IDS_DOWNLOAD_SIZE).c_str());
    SetDlgItemText(IDC_UPDATER_STATUS, LoadText(IDS_CHECKING_UPDATE).c_str());
    const std::wstring strPrompt = LoadText(IDS_PRESS_OK_PROMPT);
    SetDlgItemText(IDC_UPDATER_PROMPT, strPrompt.c_str());
    m_prompt.SetWindowText(strPrompt.c_str());
    m_prompt.AutoResize();

    // Every showing starts over, whatever the last one ended in.
    m_nState = Checking;
    UpdateControls();
    StartWorker();
    return TRUE;
}

void CDlgUpdater::StartWorker()
{
    auto pGate = std::make_shared<CTransferGate>();
    auto* pThread = new CUpdaterThread(m_strUrl, this, m_hWnd, pGate);
    HANDLE hWait = nullptr;
    if (!pThread->CreateThread(&hWait)) {
        const DWORD nError = GetLastError();
        delete pThread;
        XLog(3, L"CDlgUpdater::OnInitDialog, CreateThread: NOK, %d.", static_cast<int>(nError));
        // Shown as a failure of the worker would be: the error box, then the dialog ends.
        auto pProgress = std::make_unique<UpdateProgress>();
        pProgress->m_strMessage = SystemErrorText(nError);
        if (PostMessage(WM_UPDATER_PROGRESS, Failed, reinterpret_cast<LPARAM>(pProgress.get())))
            pProgress.release();
        return;
    }
    // From here on the worker may delete itself at any time after a WM_QUIT: the dialog
    // keeps to its own handle, the thread's id and the gate, never the object.
    m_hWorker.Reset(hWait);
    m_nWorkerId = GetThreadId(hWait);
    m_pGate = std::move(pGate);
    m_pThread = pThread;
}

void CDlgUpdater::OnOK()
{
    // Enter reaches here while the button is disabled too: only Ready starts anything.
    if (m_pThread && m_nState == Ready)
        PostThreadMessageW(m_nWorkerId, WM_UPDATER_START, 0, 0);
}

void CDlgUpdater::OnCancel()
{
    // The worker holds at its next step while the question is open (no chunk written, no
    // report posted); on Yes it is stopped before it may go on, so it abandons the transfer
    // rather than finishing it.
    const std::shared_ptr<CTransferGate> pGate = m_pGate;
    if (pGate)
        pGate->Pause();
    const int nAnswer = AfxMessageBox(IDS_CANCEL_UPDATE_QUESTION, MB_YESNO);
    if (pGate) {
        if (nAnswer == IDYES)
            pGate->Stop();
        pGate->Resume();
    }
    if (nAnswer == IDYES)
        CDialog::OnCancel();
}

void CDlgUpdater::OnDestroy()
{
    EndWorker();
    CDialog::OnDestroy();
}

void CDlgUpdater::EndWorker()
{
    if (!m_pThread)
        return;
    m_pGate->Stop();
    PostThreadMessageW(m_nWorkerId, WM_QUIT, 0, 0);
    // No time limit: the worker ends at its next step. Messages sent to this thread in the
    // meantime are answered, so that nothing the worker calls can wait on this thread.
    const HANDLE hWorker = m_hWorker.Get();
    while (MsgWaitForMultipleObjects(1, &hWorker, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    m_pThread = nullptr;
    m_hWorker.Reset();
    m_nWorkerId = 0;
    m_pGate.reset();
    // Reports still queued for this window are the dialog's to free; no more can come.
    MSG msg;
    while (PeekMessageW(&msg, m_hWnd, WM_UPDATER_PROGRESS, WM_UPDATER_PROGRESS, PM_REMOVE))
        delete reinterpret_cast<UpdateProgress*>(msg.lParam);
}

LRESULT CDlgUpdater::WindowProc(UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    if (nMsg == WM_UPDATER_PROGRESS)
        return OnProgress(wParam, lParam);
    return CDialog::WindowProc(nMsg, wParam, lParam);
}

LRESULT CDlgUpdater::OnProgress(WPARAM wParam, LPARAM lParam)
{
    const std::unique_ptr<UpdateProgress> pProgress(reinterpret_cast<UpdateProgress*>(lParam));
    const int32_t nState = static_cast<int32_t>(wParam);
    if (!IsUpdaterState(nState))
        return 0;
    if (nState != m_nState) {
        m_nState = nState;
        UpdateControls();
    }
    if (!pProgress)
        return 0;
    switch (m_nState) {
    case Ready:
        SetDlgItemText(IDC_UPDATER_FILE_NAME, pProgress->m_strFileName.c_str());
        SetDlgItemText(IDC_UPDATER_SIZE, FormatDownloadSize(pProgress->m_nTotalBytes).c_str());
        break;
    case Downloading:
        if (pProgress->m_nBytesReceived > 0) {
            m_progress.SetRange32(0, pProgress->m_nTotalBytes);
            m_progress.SetPos(pProgress->m_nBytesReceived);
            m_status.SetWindowText(
                FormatTransferCounter(pProgress->m_nBytesReceived, pProgress->m_nTotalBytes).c_str());
        }
        break;
    case Failed:
        ShowWindow(SW_HIDE);
        AfxMessageBox(pProgress->m_strMessage.c_str(), MB_OK);
        m_nState = Checking;
        CDialog::OnOK();
        break;
    default:
        break;
    }
    return 0;
}

void CDlgUpdater::UpdateControls()
{
    const UpdaterState nState = static_cast<UpdaterState>(m_nState);
    XEnableDlgItem(m_hWnd, IDOK, IsUpdaterOkEnabled(nState));
    if (nState == Done)
        CDialog::OnOK();
    for (const CUpdaterControlRule& rule : kUpdaterControlRules) {
        if (HWND hControl = GetDlgItem(rule.nId))
            ::ShowWindow(hControl, IsUpdaterControlShown(nState, rule.nId) ? SW_SHOW : SW_HIDE);
    }
}

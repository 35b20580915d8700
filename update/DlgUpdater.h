// The "Live Update" dialog (template 155): shows which installer will be downloaded and its
// size, starts the transfer on OK, shows its progress, and asks before cancelling. Each
// showing has a worker of its own (CUpdaterThread), made when the dialog opens and waited
// for when it closes; the two talk only through posted messages and the shared gate.
// One object serves every showing of the process (GetInstance).
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "app/SysWrappers.h"
#include "framework/Dialog.h"
#include "framework/ProgressCtrl.h"
#include "framework/Static.h"
#include "status/StaticBold.h"
#include "update/TransferGate.h"
#include "update/UpdateProgress.h"
#include "update/UpdaterThread.h"

class CDlgUpdater : public CDialog {
public:
    CDlgUpdater();
    ~CDlgUpdater() override;

    // The process's one updater dialog, made on first use.
    static CDlgUpdater& GetInstance();

    // The URL of the next showing; a running worker keeps its own copy.
    void SetUrl(const std::wstring& strUrl);

    LRESULT WindowProc(UINT nMsg, WPARAM wParam, LPARAM lParam) override;
    // WM_UPDATER_PROGRESS: wParam the new state, lParam the record, freed here. Result 0.
    LRESULT OnProgress(WPARAM wParam, LPARAM lParam);
    // Enables OK and shows the controls by the state.
    void UpdateControls();

    CUpdaterThread* m_pThread = nullptr;  // the worker of this showing; null when none
    std::wstring m_strUrl;
    int32_t m_nState = Checking;
    CProgressCtrl m_progress;
    CStaticBold m_prompt;
    CStatic m_status;

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    // OK in Ready: the worker starts the transfer; the dialog stays.
    void OnOK() override;
    // Cancel, Escape, the close box: question 110 with the worker held.
    void OnCancel() override;
    void OnDestroy() override;

private:
    void StartWorker();
    // Stops the worker, waits for its end and frees what it left in the queue.
    void EndWorker();

    // What the dialog keeps of its worker, which deletes itself when its thread ends: a
    // handle of the thread to wait on, the thread's id to post to, and the gate.
    XHandle m_hWorker;
    DWORD m_nWorkerId = 0;
    std::shared_ptr<CTransferGate> m_pGate;
};

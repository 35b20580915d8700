#include "app/DlgAbout.h"

#include "app/AppString.h"
#include "app/Settings.h"
#include "app/StringLoader.h"
#include "framework/WinApp.h"
#include "resources/StringIds.h"
#include "resources/resource.h"

CDlgAbout::CDlgAbout() : CDialog(IDD_ABOUTBOX, nullptr) {}

CDlgAbout::~CDlgAbout() = default;

CDlgAbout& CDlgAbout::GetInstance()
{
    static CDlgAbout s_dialog;
    return s_dialog;
}

BOOL CDlgAbout::OnInitDialog()
{
    CDialog::OnInitDialog();
    InsertAppTitle(m_hWnd);
    // The name read at start-up from the program's own module, so it stays the same in
    // every language.
    if (CWinApp* pApp = AfxGetApp())
        SetDlgItemText(IDC_ABOUT_NAME, pApp->GetAppName().c_str());
    SetDlgItemText(IDC_ABOUT_VERSION, CSettings::GetInstance().m_strVersion.c_str());
    SetDlgItemText(IDC_ABOUT_COPYRIGHT, AppString(IDS_COPYRIGHT).c_str());
    return TRUE;
}

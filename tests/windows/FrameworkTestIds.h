// Resource ids shared by test_framework.rc and test_framework.cpp.
#pragma once

#define IDD_FW_MODELESS 200
#define IDD_FW_CLASS 201
#define IDD_FW_MODAL 202
#define IDD_FW_MISSING 299
#define IDM_FW_TRAY 300
#define IDM_FW_MISSING 399

#define IDC_FW_LABEL 1001
#define IDC_FW_EDIT 1002
#define IDC_FW_LIST 1003
#define IDC_FW_BUTTON 1004
#define IDC_FW_MISSING 1099

#define IDS_FW_TOOLTIP 104
#define IDS_FW_PROMPT 2542
#define IDS_FW_APP_TITLE 57344

// Class named by IDD_FW_CLASS; the tests register it as a copy of the system dialog class.
#define FW_DIALOG_CLASS "TnFrameworkTestDialogClass"

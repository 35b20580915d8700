// Ids of the program's resources, the controls of its dialog templates and its commands.
// Read by the resource scripts (the program's and the language libraries') and by the code;
// plain numbers only, so it also compiles natively.
#pragma once

// Dialog templates
#define IDD_ABOUTBOX 100
#define IDD_MAIN 102
#define IDD_UPDATER 155

// Icons. 128 is the application icon; 129 to 134 the signal levels 0 to 5 of the status
// window; 141 to 154 the tray images (148 plus the level, 154 nothing to show; 7 less
// with the mark of unseen events).
#define IDI_APP 128
#define IDI_SIGNAL_0 129
#define IDI_SIGNAL_1 130
#define IDI_SIGNAL_2 131
#define IDI_SIGNAL_3 132
#define IDI_SIGNAL_4 133
#define IDI_SIGNAL_5 134
#define IDI_ARROW_PREV 137
#define IDI_ARROW_NEXT 138
#define IDI_ENVELOPE 139
#define IDI_HANDSET 140
#define IDI_TRAY_UNSEEN_0 141
#define IDI_TRAY_UNSEEN_1 142
#define IDI_TRAY_UNSEEN_2 143
#define IDI_TRAY_UNSEEN_3 144
#define IDI_TRAY_UNSEEN_4 145
#define IDI_TRAY_UNSEEN_5 146
#define IDI_TRAY_UNSEEN_NONE 147
#define IDI_TRAY_0 148
#define IDI_TRAY_1 149
#define IDI_TRAY_2 150
#define IDI_TRAY_3 151
#define IDI_TRAY_4 152
#define IDI_TRAY_5 153
#define IDI_TRAY_NONE 154

// Menu and bitmap
#define IDR_TRAY_MENU 135
#define IDB_ALERT_IMAGES 136  // 128 x 32: handset, envelope, warning, update (alert kind order)

// Controls of the main window (template 102)
#define IDC_STATUS_LINE 1001
#define IDC_SMS_TITLE 1002
#define IDC_SMS_SENDER 1003
#define IDC_SMS_TEXT 1004
#define IDC_CALLS_TITLE 1005
#define IDC_STATUS_TITLE 1010
#define IDC_SMS_TIME 1011
#define IDC_USERS 1012
#define IDC_SIGNAL_ICON 1013
#define IDC_TECHNOLOGY 1014
#define IDC_UPDATE_TITLE 1015
#define IDC_UPDATE_LINK 1016
#define IDC_SMS_COUNTER 1017
#define IDC_CALLS_COUNTER 1018
#define IDC_NO_CONNECTION 1020
#define IDC_SMS_PREV 1021
#define IDC_SMS_NEXT 1022
#define IDC_SMS_ICON 1023
#define IDC_CALLS_ICON 1024
#define IDC_CALLS_LIST 1031

// Controls of the about box (template 100)
#define IDC_ABOUT_NAME 1019
#define IDC_ABOUT_VERSION 1020
#define IDC_ABOUT_COPYRIGHT 1021

// Controls of the updater dialog (template 155); its buttons are IDOK and IDCANCEL.
#define IDC_UPDATER_PROGRESS 1025
#define IDC_UPDATER_FILE_NAME 1026
#define IDC_UPDATER_DOWNLOADING 1027
#define IDC_UPDATER_SIZE_LABEL 1028
#define IDC_UPDATER_SIZE 1029
#define IDC_UPDATER_PROMPT 1030
#define IDC_UPDATER_TRANSFER_LABEL 1031
#define IDC_UPDATER_STATUS 1032

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Commands: the tray menu's, and the about item of the system menu (a system command).
#define IDM_ABOUTBOX 0x0010
#define ID_TRAY_NOTIFIER_VIEW 32771
#define ID_TRAY_WEB_VIEW 32772
#define ID_TRAY_EXIT 32773

// Timer of the main window that drives the router link.
#define IDT_CONNECT 1

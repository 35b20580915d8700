; Setup of Tessaro Notifier.
;
; It installs for the current user by default (no administrator rights, into the user's
; own programs folder), or for all users of the computer on request (into the machine's
; programs folder, with administrator rights). It starts the program at logon, stops a
; running notifier before it replaces its files, and starts the program when it is done.
;
; Command line, besides the installer's own /S (silent) and /D=FOLDER (must come last):
;   /ALLUSERS      install for all users of this computer; asks for administrator rights
;                  when it does not have them
;   /CURRENTUSER   install for the current user only
; Without either, an upgrade keeps the scope and the folder of the existing installation;
; a first installation is for the current user, and the interactive one asks.
;
; Unattended setup: the notifier's live update opens a downloaded setup with no arguments.
; Where updates are to install without questions (managed computers, and the tests), the
; policy value
;   HKLM or HKCU\Software\Policies\Vantrel\Tessaro Notifier, "SilentSetup" (REG_DWORD) = 1
; makes every run of setup silent, as if /S had been given.
;
; Uninstall.exe (with /S for silent) stops the program with /BULLDOZE, which also deletes
; the user's settings, and removes the program's files, the live update's downloads, the
; logon entry and the entry in the list of installed programs.
;
; Exit codes: 0 done, 1 cancelled by the user, 2 failed.
;
; The build runs: makensis -DVERSION=a.b.c.d -DPROGRAM=exe -DICON=ico -DOUTFILE=setup.exe

!macro REQUIRE_DEFINE NAME
  !ifndef ${NAME}
    !error "${NAME} is defined by the build"
  !endif
!macroend
!insertmacro REQUIRE_DEFINE VERSION
!insertmacro REQUIRE_DEFINE PROGRAM
!insertmacro REQUIRE_DEFINE ICON
!insertmacro REQUIRE_DEFINE OUTFILE

Target amd64-unicode
RequestExecutionLevel user
ManifestDPIAware true
SetCompressor /SOLID lzma

!define PRODUCT "Tessaro Notifier"
!define PUBLISHER "Vantrel"
!define EXE "TessaroNotifier.exe"
!define UNINSTALLER "Uninstall.exe"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define SETTINGS_KEY "Software\Vantrel\${PRODUCT}"
!define POLICY_KEY "Software\Policies\Vantrel\${PRODUCT}"
; Where the program's live update keeps its downloads, below the local application data.
!define DOWNLOADS "${PRODUCT}"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails hide
ShowUninstDetails hide

; The copyright notice is the program's own (its version resource and about box).
!pragma warning disable 9100
VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WinCore.nsh
!include nsDialogs.nsh

Var AllUsers     ; 1: for all users of the computer
Var ScopeFixed   ; 1: the command line or an existing installation chose the scope
Var DirGiven     ; 1: /D chose the folder
Var Upgrade      ; 1: an installation of the chosen scope exists; it keeps its folder
Var Elevated     ; 1: this run was started with administrator rights by another one
Var RadioMachine

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING

Page custom ScopePage ScopePageLeave
!define MUI_PAGE_CUSTOMFUNCTION_PRE DirectoryPagePre
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TITLE "${PRODUCT} is installed"
!define MUI_FINISHPAGE_TEXT "${PRODUCT} ${VERSION} runs in the notification area, and starts when you log on."
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; Sets $0 to 1 when this process has administrator rights, else to 0. A setup built with
; -DTEST_STANDARD_USER takes itself for a standard user's unless started to have the
; rights: tests run the way to them where every program has them.
!macro IS_ADMIN_FUNCTION UN
Function ${UN}IsAdmin
  UserInfo::GetAccountType
  Pop $0
  !ifdef TEST_STANDARD_USER
    ${If} $Elevated != 1
      StrCpy $0 "User"
    ${EndIf}
  !endif
  ${If} $0 == "Admin"
    StrCpy $0 1
  ${Else}
    StrCpy $0 0
  ${EndIf}
FunctionEnd
!macroend
!insertmacro IS_ADMIN_FUNCTION ""
!insertmacro IS_ADMIN_FUNCTION "un."

; $Elevated from the command line: 1 when this run was started by another one to have
; administrator rights (/ELEVATED).
!macro READ_ELEVATED_FUNCTION UN
Function ${UN}ReadElevated
  ${GetParameters} $0
  StrCpy $Elevated 0
  ClearErrors
  ${GetOptions} $0 "/ELEVATED" $1
  ${IfNot} ${Errors}
    StrCpy $Elevated 1
  ${EndIf}
FunctionEnd
!macroend
!insertmacro READ_ELEVATED_FUNCTION ""
!insertmacro READ_ELEVATED_FUNCTION "un."

; Runs this program again with administrator rights ("runas", which asks the user) and
; the parameters in $R1, and waits for it. $0: its exit code, or 1 if the user refused
; and 2 if it could not be started.
!macro RUN_ELEVATED_FUNCTION UN
Function ${UN}RunElevated
  ; SHELLEXECUTEINFOW as laid out for x64: SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC.
  System::Call '*(&l4, i 0x140, p $HWNDPARENT, w "runas", w "$EXEPATH", w "$R1", p 0, i ${SW_SHOWNORMAL}, &v4, p, p, p, p, i, &v4, p, p) p .r1'
  System::Call 'shell32::ShellExecuteExW(p r1) i .r2 ?e'
  Pop $3
  ${If} $2 == 0
    System::Free $1
    ${If} $3 == 1223 ; ERROR_CANCELLED: the user said no
      StrCpy $0 1
    ${Else}
      StrCpy $0 2
    ${EndIf}
    Return
  ${EndIf}
  System::Call '*$1(i, i, p, p, p, p, p, i, &v4, p, p, p, p, i, &v4, p, p .r4)'
  System::Free $1
  System::Call 'kernel32::WaitForSingleObject(p r4, i -1)'
  StrCpy $0 2
  System::Call 'kernel32::GetExitCodeProcess(p r4, *i .r0)'
  System::Call 'kernel32::CloseHandle(p r4)'
FunctionEnd
!macroend
!insertmacro RUN_ELEVATED_FUNCTION ""
!insertmacro RUN_ELEVATED_FUNCTION "un."

; For the scope in $AllUsers: the registry root of its entries (SHCTX), whether it is
; installed ($Upgrade), and its folder: the installed one, else the machine's programs
; folder or the user's own.
Function ApplyScope
  ${If} $AllUsers == 1
    SetShellVarContext all
  ${Else}
    SetShellVarContext current
  ${EndIf}
  ReadRegStr $0 SHCTX "${UNINST_KEY}" "InstallLocation"
  StrCpy $Upgrade 0
  ${If} $0 != ""
    StrCpy $Upgrade 1
  ${EndIf}
  ${If} $DirGiven == 1
    Return
  ${EndIf}
  ${If} $Upgrade == 1
    StrCpy $INSTDIR $0
  ${ElseIf} $AllUsers == 1
    StrCpy $INSTDIR "$PROGRAMFILES64\${PRODUCT}"
  ${Else}
    GetKnownFolderPath $1 ${FOLDERID_UserProgramFiles}
    ${If} $1 == ""
      StrCpy $1 "$LOCALAPPDATA\Programs"
    ${EndIf}
    StrCpy $INSTDIR "$1\${PRODUCT}"
  ${EndIf}
FunctionEnd

; An installation for all users without administrator rights: the same setup again, with
; them. Once it has installed, the program is started here, by the desktop's own user, and
; this run ends with its outcome. Returns only if nothing is to be done ($0 empty: this run
; has the rights) or if the user refused them ($0 1).
Function InstallElevated
  Call IsAdmin
  ${If} $0 == 1
    StrCpy $0 ""
    Return
  ${EndIf}
  ${If} $Elevated == 1
    ; Started to have the rights and still without them: do not ask again.
    MessageBox MB_OK|MB_ICONSTOP "Installing ${PRODUCT} for all users needs administrator rights." /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
  StrCpy $R1 "/ALLUSERS /ELEVATED"
  ${If} ${Silent}
    StrCpy $R1 "$R1 /S"
  ${EndIf}
  ${If} $DirGiven == 1
    StrCpy $R1 "$R1 /D=$INSTDIR"
  ${EndIf}
  HideWindow
  Call RunElevated
  ${If} $0 == 1
    ShowWindow $HWNDPARENT ${SW_SHOW}
    BringToFront
    Return
  ${EndIf}
  ${If} $0 == 0
    ReadRegStr $1 HKLM "${UNINST_KEY}" "InstallLocation"
    Exec '"$1\${EXE}"'
  ${EndIf}
  SetErrorLevel $0
  Quit
FunctionEnd

Function .onInit
  ReadRegDWORD $0 HKLM "${POLICY_KEY}" "SilentSetup"
  ReadRegDWORD $1 HKCU "${POLICY_KEY}" "SilentSetup"
  ${If} $0 = 1
  ${OrIf} $1 = 1
    SetSilent silent
  ${EndIf}

  Call ReadElevated
  ${GetParameters} $R0
  ; /D sets the folder before this function runs.
  StrCpy $DirGiven 0
  ${If} $INSTDIR != ""
    StrCpy $DirGiven 1
  ${EndIf}

  StrCpy $ScopeFixed 1
  ClearErrors
  ${GetOptions} $R0 "/ALLUSERS" $0
  ${IfNot} ${Errors}
    StrCpy $AllUsers 1
  ${Else}
    ClearErrors
    ${GetOptions} $R0 "/CURRENTUSER" $0
    ${IfNot} ${Errors}
      StrCpy $AllUsers 0
    ${Else}
      ReadRegStr $0 HKCU "${UNINST_KEY}" "InstallLocation"
      ReadRegStr $1 HKLM "${UNINST_KEY}" "InstallLocation"
      ${If} $0 != ""
        StrCpy $AllUsers 0
      ${ElseIf} $1 != ""
        StrCpy $AllUsers 1
      ${Else}
        StrCpy $AllUsers 0
        StrCpy $ScopeFixed 0
      ${EndIf}
    ${EndIf}
  ${EndIf}
  Call ApplyScope
  ${If} $AllUsers == 1
    Call InstallElevated
    ${If} $0 == 1
      SetErrorLevel 1
      Quit
    ${EndIf}
  ${EndIf}
FunctionEnd

Function ScopePage
  ${If} $ScopeFixed == 1
    Abort
  ${EndIf}
  !insertmacro MUI_HEADER_TEXT "Installation scope" "Choose who uses ${PRODUCT} on this computer."
  nsDialogs::Create 1018
  Pop $0
  ${If} $0 == error
    Abort
  ${EndIf}
  ${NSD_CreateLabel} 0 0 100% 20u "${PRODUCT} shows the state of your router in the notification area and starts when you log on."
  Pop $0
  ${NSD_CreateRadioButton} 10u 30u -10u 12u "Only for &me (no administrator rights needed)"
  Pop $0
  ${NSD_CreateRadioButton} 10u 48u -10u 12u "For &all users of this computer (needs administrator rights)"
  Pop $RadioMachine
  ${If} $AllUsers == 1
    ${NSD_Check} $RadioMachine
  ${Else}
    ${NSD_Check} $0
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function ScopePageLeave
  ${NSD_GetState} $RadioMachine $0
  ${If} $0 == ${BST_CHECKED}
    StrCpy $AllUsers 1
  ${Else}
    StrCpy $AllUsers 0
  ${EndIf}
  Call ApplyScope
  ${If} $AllUsers == 1
    Call InstallElevated
    ${If} $0 == 1
      ; Refused: the choice stays open.
      Abort
    ${EndIf}
  ${EndIf}
FunctionEnd

Function DirectoryPagePre
  ; An upgrade stays where it is.
  ${If} $Upgrade == 1
    Abort
  ${EndIf}
FunctionEnd

Section "Install"
  SetOutPath "$INSTDIR"

  ; Stop a running notifier, wherever it runs from: its files are about to be replaced, and
  ; the new one would otherwise hand over to it and end. The new program does it ("/STOP"
  ; waits for the running one to end), so this works also where no old one is installed.
  InitPluginsDir
  File "/oname=$PLUGINSDIR\${EXE}" "${PROGRAM}"
  DetailPrint "Stopping a running ${PRODUCT}"
  ExecWait '"$PLUGINSDIR\${EXE}" /STOP /LOG' $0
  ${If} $0 != 0
    DetailPrint "The running ${PRODUCT} did not end (error $0)."
  ${EndIf}

  ; A file in use is never skipped silently: the installation would report success with
  ; the old program in place.
  SetOverwrite try
  retry:
  ClearErrors
  File "/oname=$INSTDIR\${EXE}" "${PROGRAM}"
  ${If} ${Errors}
    MessageBox MB_RETRYCANCEL|MB_ICONSTOP "$INSTDIR\${EXE} cannot be written. Close ${PRODUCT} and try again." /SD IDCANCEL IDRETRY retry
    SetErrorLevel 2
    Abort "$INSTDIR\${EXE} cannot be written."
  ${EndIf}
  SetOverwrite on
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  WriteRegStr SHCTX "${RUN_KEY}" "${PRODUCT}" '"$INSTDIR\${EXE}"'

  WriteRegStr SHCTX "${UNINST_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\${EXE},0"
  WriteRegStr SHCTX "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINST_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr SHCTX "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD SHCTX "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINST_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${UNINST_KEY}" "EstimatedSize" $0

  ; A run with administrator rights on behalf of another one leaves the start to that
  ; one, which runs as the desktop's user.
  ${If} $Elevated != 1
    Exec '"$INSTDIR\${EXE}"'
  ${EndIf}
SectionEnd

Function un.onInit
  Call un.ReadElevated

  ; The scope is the one whose entry points to this folder.
  StrCpy $AllUsers 0
  ReadRegStr $0 HKLM "${UNINST_KEY}" "InstallLocation"
  ${If} $0 != ""
  ${AndIf} $0 == $INSTDIR
    StrCpy $AllUsers 1
    SetShellVarContext all
    Call un.IsAdmin
    ${If} $0 == 0
      ${If} $Elevated == 1
        MessageBox MB_OK|MB_ICONSTOP "Removing ${PRODUCT} for all users needs administrator rights." /SD IDOK
        SetErrorLevel 2
        Quit
      ${EndIf}
      StrCpy $R1 "/ELEVATED"
      ${If} ${Silent}
        StrCpy $R1 "$R1 /S"
      ${EndIf}
      StrCpy $R1 "$R1 _?=$INSTDIR"
      Call un.RunElevated
      SetErrorLevel $0
      Quit
    ${EndIf}
  ${Else}
    SetShellVarContext current
  ${EndIf}
FunctionEnd

Section "Uninstall"
  ; First the logon start, so that a removal that fails half-way never leaves a program
  ; that starts without its settings.
  DeleteRegValue SHCTX "${RUN_KEY}" "${PRODUCT}"

  ; /BULLDOZE stops the running notifier and deletes the user's settings.
  ${If} ${FileExists} "$INSTDIR\${EXE}"
    DetailPrint "Stopping ${PRODUCT} and deleting its settings"
    ExecWait '"$INSTDIR\${EXE}" /BULLDOZE /LOG' $0
  ${EndIf}
  ; The same for a program that is missing or could not run.
  DeleteRegKey HKCU "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKCU "Software\${PUBLISHER}"

  Delete "$INSTDIR\${EXE}"
  Delete "$INSTDIR\Trace.Log"
  Delete "$INSTDIR\${UNINSTALLER}"
  ; Only if empty: files that someone else put there (a language library) stay.
  RMDir "$INSTDIR"

  ; The live update's downloads are the user's own, also for an installation for all.
  SetShellVarContext current
  ${If} $LOCALAPPDATA != ""
    RMDir /r "$LOCALAPPDATA\${DOWNLOADS}"
  ${EndIf}
  ${If} $AllUsers == 1
    SetShellVarContext all
  ${EndIf}

  ${If} ${FileExists} "$INSTDIR\${EXE}"
    MessageBox MB_OK|MB_ICONSTOP "$INSTDIR\${EXE} cannot be deleted. Close ${PRODUCT} and try again." /SD IDOK
    SetErrorLevel 2
    Abort "$INSTDIR\${EXE} cannot be deleted."
  ${EndIf}
  ; Last: while it exists, the removal can be run again.
  DeleteRegKey SHCTX "${UNINST_KEY}"
SectionEnd

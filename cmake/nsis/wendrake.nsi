; The installer of VUX-Wendrake: per machine, in German, and a 64-bit
; program like the picker, so that it runs where the picker runs and its
; registry keys land in the 64-bit view without redirection.
; makensis gets VERSION, OUTFILE and PAYLOAD (the folder holding the built
; Wendrake.exe) from NSIS.template.in, which CPack fills in.
Unicode true
Target amd64-unicode
; A misspelt variable or define would otherwise end up as literal text.
!pragma warning error all

!define PRODUCT "VUX-Wendrake"
!define VENDOR_KEY "Software\L-VORDANS"
!define PRODUCT_KEY "${VENDOR_KEY}\${PRODUCT}"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
; The picker's window class, and where release 1.0.0 left a new program
; waiting for a restart while an old one ran.
!define PICKER_CLASS "Wendrake_frm1"
!define PENDING_EXE "Wendrake.exe.neu"
; Windows Installer's "restart required", which deployment tools understand.
!define RESTART_REQUIRED 3010
; The rights of C:\Program Files for the program's folder, wherever it is:
; every user runs Wendrake.exe, and Programs and Features runs Uninstall.exe
; with administrator rights, so users may read and run them, never change
; them. Inherited rights do not count: under C:\ every user may change what
; is in a new folder. The catalogue decides every user's plotters: users
; read it, administrators alone write it.
!define PROGRAM_RIGHTS "D:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)"
!define CATALOGUE_RIGHTS "D:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FR;;;BU)"
!define ERROR_ALREADY_EXISTS 183
; DACL_SECURITY_INFORMATION with PROTECTED_DACL_SECURITY_INFORMATION.
!define PROTECTED_DACL_SECURITY_INFORMATION 0x80000004
!define SOURCE "${__FILEDIR__}/../.."

Name "${PRODUCT}"
OutFile "${OUTFILE}"
; A release with a certificate signs the setup program and the uninstaller
; it carries; without one the script does nothing.
!finalize 'sh "${SIGN}" "%1"' = 0
!uninstfinalize 'sh "${SIGN}" "%1"' = 0
SetCompressor /SOLID lzma
RequestExecutionLevel admin
InstallDir "$PROGRAMFILES64\${PRODUCT}"
; An upgrade goes into the installed folder, also one chosen with /D; a /D
; given now still wins.
InstallDirRegKey HKLM "${PRODUCT_KEY}" ""

!include LogicLib.nsh
!include FileFunc.nsh
!include MUI2.nsh
!include nsDialogs.nsh

!define MUI_ICON "${SOURCE}/window/art/wendrake.ico"
!define MUI_UNICON "${SOURCE}/window/art/wendrake.ico"
!define MUI_ABORTWARNING

Var StartMenuFolder
!insertmacro MUI_PAGE_WELCOME
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE DirectoryLeave
!insertmacro MUI_PAGE_DIRECTORY
; The folder chosen at the first installation is remembered where earlier
; releases kept it, so an upgrade and the uninstaller find it.
!define MUI_STARTMENUPAGE_DEFAULTFOLDER "${PRODUCT}"
!define MUI_STARTMENUPAGE_REGISTRY_ROOT HKLM
!define MUI_STARTMENUPAGE_REGISTRY_KEY "${PRODUCT_KEY}"
!define MUI_STARTMENUPAGE_REGISTRY_VALUENAME "Start Menu Folder"
!insertmacro MUI_PAGE_STARTMENU Program $StartMenuFolder
!insertmacro MUI_PAGE_INSTFILES
; A restart that an out-of-reach picker made necessary waits for the
; administrator: "Fertigstellen" must not restart a terminal server that
; users work on.
!define MUI_FINISHPAGE_REBOOTLATER_DEFAULT
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "German"

Function .onInit
  ; The common Start menu, and $APPDATA is C:\ProgramData.
  SetShellVarContext all
  ; Without administrator rights (UAC turned off) every write below would
  ; fail one by one; say so once instead.
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "admin"
    MessageBox MB_OK|MB_ICONSTOP "Die Installation von ${PRODUCT} benötigt Administratorrechte." /SD IDOK
    Abort
  ${EndIf}
  ; Installed over the Windows Installer package's installation, the machine
  ; would have two entries and two uninstalls of one program.
  System::Call 'msi::MsiEnumRelatedProductsW(w "${UPGRADE_CODE}", i 0, i 0, w .r1) i .r0'
  ${If} $0 = 0
    MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} ist bereits mit dem Windows-Installer-Paket installiert. \
        Deinstallieren Sie es zuerst." /SD IDOK
    Abort
  ${EndIf}
  ; The Start-menu choice of the installation this one upgrades, "no
  ; shortcuts" (a leading ">") too, for the page to show and a silent run
  ; to keep. Earlier releases stored no choice for "no shortcuts": an
  ; installation without one had chosen that.
  ReadRegStr $StartMenuFolder HKLM "${PRODUCT_KEY}" "Start Menu Folder"
  ReadRegStr $0 HKLM "${PRODUCT_KEY}" ""
  ${If} $StartMenuFolder == ""
  ${AndIf} $0 != ""
    StrCpy $StartMenuFolder ">${PRODUCT}"
  ${EndIf}
FunctionEnd

; Creates the folder $0 (and its parent) with the rights $1 (SDDL), given
; at its creation so that nobody can put a file into it before; a folder
; that exists gets them too when $2 is 1. $0: 0, ERROR_ALREADY_EXISTS for a
; folder that keeps its rights, or the system's error.
Function MakeFolder
  ${GetParent} $0 $3
  CreateDirectory $3
  System::Call 'advapi32::ConvertStringSecurityDescriptorToSecurityDescriptorW(w r1, i 1, *p .r4, p 0) i .r5 ?e'
  Pop $6
  ${IfThen} $5 = 0 ${|} Goto done ${|}
  ; SECURITY_ATTRIBUTES of a 64-bit program: the pointer at offset 8.
  System::Call '*(i 24, i 0, p r4, i 0, i 0) p .r7'
  System::Call 'kernel32::CreateDirectoryW(w r0, p r7) i .r5 ?e'
  Pop $6
  ${If} $5 <> 0
    StrCpy $6 0
  ${ElseIf} $6 = ${ERROR_ALREADY_EXISTS}
  ${AndIf} $2 = 1
    ; Also handed down to what the folder holds already.
    System::Call 'advapi32::GetSecurityDescriptorDacl(p r4, *i .r5, *p .r3, *i .r5)'
    System::Call 'advapi32::SetNamedSecurityInfoW(w r0, i 1, i ${PROTECTED_DACL_SECURITY_INFORMATION}, p 0, p 0, p r3, p 0) i .r6'
  ${EndIf}
  System::Free $7
  System::Call 'kernel32::LocalFree(p r4)'
  done:
  StrCpy $0 $6
FunctionEnd

; A running picker holds Wendrake.exe: Windows neither replaces nor deletes
; a program's file while it runs. ClosePickers closes every picker on this
; desktop with the close request its close spot also answers, so that each
; stores its position, and waits up to 5 s for the file to be free (once it
; closed one: a picker out of reach does not end by waiting). $0: 1 when a
; picker out of reach (another user's session) still holds it.
!macro IN_USE un action
Function ${un}ClosePickers
  StrCpy $2 1
  ${For} $1 1 10
    FindWindow $0 "${PICKER_CLASS}"
    ${IfThen} $0 = 0 ${|} ${Break} ${|}
    SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=5000
    StrCpy $2 50
    Sleep 100
  ${Next}
  ${For} $1 1 $2
    StrCpy $0 0
    ${IfNot} ${FileExists} "$INSTDIR\Wendrake.exe"
      Return
    ${EndIf}
    ClearErrors
    FileOpen $0 "$INSTDIR\Wendrake.exe" a
    ${IfNot} ${Errors}
      FileClose $0
      StrCpy $0 0
      Return
    ${EndIf}
    StrCpy $0 1
    Sleep 100
  ${Next}
FunctionEnd

; Called by the section, once Installieren or Deinstallieren has been
; pressed: before that the pickers stay, and Abbrechen changes nothing.
; Afterwards $INSTDIR\Wendrake.exe is free, or gone.
Function ${un}FreeProgram
  Call ${un}ClosePickers
  ${DoWhile} $0 = 1
    ${IfThen} ${Silent} ${|} ${ExitDo} ${|}
    ${IfNot} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Die Plotterauswahl ${PRODUCT} läuft noch, \
        wahrscheinlich in der Sitzung eines anderen Benutzers, und hält $INSTDIR\Wendrake.exe fest.$\r$\n$\r$\n\
        Bitten Sie die Benutzer, die Plotterauswahl zu schließen, und wählen Sie dann Wiederholen. \
        Abbrechen beendet ${action}, ohne etwas zu ändern." IDRETRY`
      SetErrorLevel 1
      Quit
    ${EndIf}
    Call ${un}ClosePickers
  ${Loop}
  ; Silent, a picker out of reach holds it. Windows lets a running
  ; program's file be renamed, though not replaced or deleted: moved to a
  ; name of its own, only that name waits for the restart, and the path is
  ; free at once. A deletion scheduled for the path itself would remove
  ; whatever an installation put there before the restart.
  ${If} $0 = 1
    StrCpy $1 1
    ${While} ${FileExists} "$INSTDIR\Wendrake.exe.$1.alt"
      IntOp $1 $1 + 1
    ${EndWhile}
    StrCpy $1 "$INSTDIR\Wendrake.exe.$1.alt"
    ClearErrors
    Rename "$INSTDIR\Wendrake.exe" $1
    ${IfNot} ${Errors}
      ; NSIS's Delete /REBOOTOK does not tell whether it could schedule;
      ; MoveFileEx does. MOVEFILE_DELAY_UNTIL_REBOOT.
      System::Call 'kernel32::MoveFileExW(w r1, p 0, i 4) i .r2'
      ${If} $2 = 0
        Rename $1 "$INSTDIR\Wendrake.exe"
        SetErrors
      ${EndIf}
    ${EndIf}
    ${If} ${Errors}
      MessageBox MB_OK|MB_ICONSTOP "$INSTDIR\Wendrake.exe wird noch benutzt und kann nicht \
          für den nächsten Neustart von Windows vorgemerkt werden." /SD IDOK
      Abort
    ${EndIf}
  ${EndIf}
  ; Programs moved aside by earlier runs go once free; one still running
  ; keeps the restart due.
  Delete "$INSTDIR\Wendrake.exe.*.alt"
  ${If} ${FileExists} "$INSTDIR\Wendrake.exe.*.alt"
    SetRebootFlag true
  ${EndIf}
  ; 1.0.0 had a new program wait here to be renamed into place at the
  ; restart: gone, the rename does nothing.
  Delete "$INSTDIR\${PENDING_EXE}"
FunctionEnd
!macroend
!insertmacro IN_USE "" "die Installation"
!insertmacro IN_USE "un." "die Deinstallation"

; An upgrade stays in the installed folder: moved elsewhere it would leave
; the old program and uninstaller behind without an entry, and the users'
; shortcuts and scripts name that folder. $0: empty, or the installed folder
; when $INSTDIR is another one (said in a message).
Function InstalledElsewhere
  ReadRegStr $0 HKLM "${PRODUCT_KEY}" ""
  ${If} $0 == ""
  ${OrIf} $0 == $INSTDIR
    StrCpy $0 ""
  ${ElseIfNot} ${FileExists} "$0\Wendrake.exe"
  ${AndIfNot} ${FileExists} "$0\Uninstall.exe"
    StrCpy $0 ""
  ${Else}
    MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} ist in $0 installiert, und eine neue Version \
        kommt in denselben Ordner. Um den Ordner zu wechseln, deinstallieren Sie ${PRODUCT} \
        zuerst." /SD IDOK
  ${EndIf}
FunctionEnd

Function DirectoryLeave
  Call InstalledElsewhere
  ${IfThen} $0 != "" ${|} Abort ${|}
FunctionEnd

!macro MAKE_FOLDER folder rights replace
  StrCpy $0 "${folder}"
  StrCpy $1 "${rights}"
  StrCpy $2 ${replace}
  Call MakeFolder
  ${If} $0 <> 0
  ${AndIf} $0 <> ${ERROR_ALREADY_EXISTS}
    RMDir "$INSTDIR"
    MessageBox MB_OK|MB_ICONSTOP "Die Rechte des Ordners ${folder} können nicht gesetzt werden (Fehler $0)." /SD IDOK
    Abort
  ${EndIf}
!macroend

Section
  ; Silent, the Directory page did not ask.
  Call InstalledElsewhere
  ${IfThen} $0 != "" ${|} Abort ${|}
  ; Both folders have their rights before anything of ours is in them. A
  ; catalogue folder that exists keeps its rights: the administrator's.
  !insertmacro MAKE_FOLDER "$INSTDIR" "${PROGRAM_RIGHTS}" 1
  !insertmacro MAKE_FOLDER "$APPDATA\L-VORDANS\ZEPLO-Plotter" "${CATALOGUE_RIGHTS}" 0
  Call FreeProgram
  SetOutPath "$INSTDIR"
  ClearErrors
  SetOverwrite try
  File "${PAYLOAD}/Wendrake.exe"
  SetOverwrite on
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONSTOP "$INSTDIR\Wendrake.exe kann nicht ersetzt werden." /SD IDOK
    Abort
  ${EndIf}
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  WriteRegStr HKLM "${PRODUCT_KEY}" "" "$INSTDIR"

  ; The catalogue is the administrator's: the sample goes in only where
  ; there is none, and the uninstaller never touches it.
  SetOutPath "$APPDATA\L-VORDANS\ZEPLO-Plotter"
  SetOverwrite off
  File "${SOURCE}/samples/ZEPLO_Plotter.txt"
  SetOverwrite on
  ; The shortcuts start the picker in its own folder.
  SetOutPath "$INSTDIR"

  ; Another choice at an upgrade takes the old shortcuts away: they would
  ; be left behind, starting a program that may be gone.
  ReadRegStr $0 HKLM "${PRODUCT_KEY}" "Start Menu Folder"
  StrCpy $1 $0 1
  ${If} $0 != $StartMenuFolder
  ${AndIf} $0 != ""
  ${AndIf} $1 != ">"
    Delete "$SMPROGRAMS\$0\${PRODUCT}.lnk"
    Delete "$SMPROGRAMS\$0\${PRODUCT} deinstallieren.lnk"
    RMDir "$SMPROGRAMS\$0"
  ${EndIf}
  !insertmacro MUI_STARTMENU_WRITE_BEGIN Program
    CreateDirectory "$SMPROGRAMS\$StartMenuFolder"
    CreateShortCut "$SMPROGRAMS\$StartMenuFolder\${PRODUCT}.lnk" "$INSTDIR\Wendrake.exe"
    CreateShortCut "$SMPROGRAMS\$StartMenuFolder\${PRODUCT} deinstallieren.lnk" "$INSTDIR\Uninstall.exe"
  !insertmacro MUI_STARTMENU_WRITE_END
  ; "No shortcuts" too, which the page's own storing leaves out.
  WriteRegStr HKLM "${PRODUCT_KEY}" "Start Menu Folder" $StartMenuFolder

  ; A fresh entry: values earlier installers wrote there mean nothing now.
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "L-VORDANS"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Wendrake.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  ; In place (_?=, unquoted and last), so that it returns when done and its
  ; exit code tells how it went.
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S _?=$INSTDIR'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ; The programs alone: not what the folder holds besides, nor those moved
  ; aside for the restart.
  ${GetSize} "$INSTDIR" "/M=*.exe /S=0K /G=0" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Function .onInstSuccess
  ${If} ${RebootFlag}
    SetErrorLevel ${RESTART_REQUIRED}
  ${EndIf}
FunctionEnd

Function un.onInit
  SetShellVarContext all
  ; A standard user's deletes and restart requests would fail one by one,
  ; unreported.
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "admin"
    MessageBox MB_OK|MB_ICONSTOP "Die Deinstallation von ${PRODUCT} benötigt Administratorrechte." /SD IDOK
    Abort
  ${EndIf}
FunctionEnd

Function un.onUninstSuccess
  ${If} ${RebootFlag}
    SetErrorLevel ${RESTART_REQUIRED}
    ; The uninstaller has no finish page that could say so.
    MessageBox MB_OK|MB_ICONINFORMATION "${PRODUCT} ist entfernt bis auf Dateien, die eine noch laufende \
        Plotterauswahl festhält: Windows entfernt sie beim nächsten Neustart. Starten Sie \
        Windows neu, sobald die Benutzer ihre Arbeit beendet haben." /SD IDOK
  ${EndIf}
FunctionEnd

; Only what the installer put there, file by file: the folder may have been
; chosen with /D and hold other things.
Section "Uninstall"
  Call un.FreeProgram
  ; Nothing else goes unless the program has: a file that stays although no
  ; picker holds it means the rights are missing.
  Delete "$INSTDIR\Wendrake.exe"
  ${If} ${FileExists} "$INSTDIR\Wendrake.exe"
    MessageBox MB_OK|MB_ICONSTOP "$INSTDIR\Wendrake.exe kann nicht entfernt werden." /SD IDOK
    Abort
  ${EndIf}
  Delete "$INSTDIR\Uninstall.exe"
  ${If} ${RebootFlag}
    RMDir /REBOOTOK "$INSTDIR"
  ${Else}
    RMDir "$INSTDIR"
  ${EndIf}

  ; A leading ">": no shortcuts were made.
  !insertmacro MUI_STARTMENU_GETFOLDER Program $0
  StrCpy $1 $0 1
  ${If} $1 != ">"
    Delete "$SMPROGRAMS\$0\${PRODUCT}.lnk"
    Delete "$SMPROGRAMS\$0\${PRODUCT} deinstallieren.lnk"
    RMDir "$SMPROGRAMS\$0"
  ${EndIf}

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "${PRODUCT_KEY}"
  ; L-VORDANS's other programs may keep their settings there.
  DeleteRegKey /ifempty HKLM "${VENDOR_KEY}"
SectionEnd

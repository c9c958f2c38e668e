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
!define SOURCE "${__FILEDIR__}/../.."

Name "${PRODUCT}"
OutFile "${OUTFILE}"
SetCompressor /SOLID lzma
RequestExecutionLevel admin
InstallDir "$PROGRAMFILES64\${PRODUCT}"
; An upgrade goes into the installed folder, also one chosen with /D; a /D
; given now still wins.
InstallDirRegKey HKLM "${PRODUCT_KEY}" ""

!include LogicLib.nsh
!include FileFunc.nsh
!include MUI2.nsh

!define MUI_ICON "${SOURCE}/window/art/wendrake.ico"
!define MUI_UNICON "${SOURCE}/window/art/wendrake.ico"
!define MUI_ABORTWARNING

Var StartMenuFolder
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
; The folder chosen at the first installation is remembered where earlier
; releases kept it, so an upgrade and the uninstaller find it.
!define MUI_STARTMENUPAGE_DEFAULTFOLDER "${PRODUCT}"
!define MUI_STARTMENUPAGE_REGISTRY_ROOT HKLM
!define MUI_STARTMENUPAGE_REGISTRY_KEY "${PRODUCT_KEY}"
!define MUI_STARTMENUPAGE_REGISTRY_VALUENAME "Start Menu Folder"
!insertmacro MUI_PAGE_STARTMENU Program $StartMenuFolder
!insertmacro MUI_PAGE_INSTFILES
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
FunctionEnd

Section
  SetOutPath "$INSTDIR"
  File "${PAYLOAD}/Wendrake.exe"
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

  !insertmacro MUI_STARTMENU_WRITE_BEGIN Program
    CreateDirectory "$SMPROGRAMS\$StartMenuFolder"
    CreateShortCut "$SMPROGRAMS\$StartMenuFolder\${PRODUCT}.lnk" "$INSTDIR\Wendrake.exe"
    CreateShortCut "$SMPROGRAMS\$StartMenuFolder\${PRODUCT} deinstallieren.lnk" "$INSTDIR\Uninstall.exe"
  !insertmacro MUI_STARTMENU_WRITE_END

  ; A fresh entry: values earlier installers wrote there mean nothing now.
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "L-VORDANS"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Wendrake.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Function un.onInit
  SetShellVarContext all
FunctionEnd

; Only what the installer put there, file by file: the folder may have been
; chosen with /D and hold other things.
Section "Uninstall"
  Delete "$INSTDIR\Wendrake.exe"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"

  !insertmacro MUI_STARTMENU_GETFOLDER Program $0
  Delete "$SMPROGRAMS\$0\${PRODUCT}.lnk"
  Delete "$SMPROGRAMS\$0\${PRODUCT} deinstallieren.lnk"
  RMDir "$SMPROGRAMS\$0"

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "${PRODUCT_KEY}"
  ; L-VORDANS's other programs may keep their settings there.
  DeleteRegKey /ifempty HKLM "${VENDOR_KEY}"
SectionEnd

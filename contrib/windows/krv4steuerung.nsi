; The Windows installer: both programs under Program Files, the start-menu
; entries, the file types .krv and .krk, and an uninstaller that takes back
; exactly that. makensis -DVERSION=<x.y> -DQUELLE=<folder with the programs
; and icons> -DAUSGABE=<setup.exe>  (scripts/package --windows does it).
Unicode true
Target amd64-unicode
ManifestDPIAware true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include "MUI2.nsh"

!define NAME "KRV4 Steuerung"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\KRV4Steuerung"
!define PROGID_KRV "KRV4Steuerung.Programme"
!define PROGID_KRK "KRV4Steuerung.Kalibrierdaten"
!define SHCNE_ASSOCCHANGED 0x08000000

Name "${NAME}"
OutFile "${AUSGABE}"
InstallDir "$PROGRAMFILES64\${NAME}"
InstallDirRegKey HKLM "${UNINST_KEY}" "InstallLocation"
BrandingText "${NAME} ${VERSION}"

!define MUI_ICON "${QUELLE}\krv4steuerung.ico"
!define MUI_UNICON "${QUELLE}\krv4steuerung.ico"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "German"

; The program keeps krv4Steuerung.ini in its working directory, and Program
; Files is not the operator's to write: the start-menu entries start it in a
; folder of the operator's own documents.
!define ARBEIT "$DOCUMENTS\${NAME}"

Section
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  File "${QUELLE}\krv4steuerung.exe"
  File "${QUELLE}\krv4.exe"
  File "${QUELLE}\krv4steuerung.ico"
  File "${QUELLE}\application-x-krv4-programme.ico"
  File "${QUELLE}\application-x-krv4-kalibrierdaten.ico"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "${ARBEIT}"
  CreateDirectory "$SMPROGRAMS\${NAME}"
  SetOutPath "${ARBEIT}"
  CreateShortCut "$SMPROGRAMS\${NAME}\KRV4 Steuerung.lnk" "$INSTDIR\krv4steuerung.exe" "" \
                 "$INSTDIR\krv4steuerung.exe" 0
  CreateShortCut "$SMPROGRAMS\${NAME}\KRV4 Steuerung (Service).lnk" "$INSTDIR\krv4steuerung.exe" \
                 "-p=SrvModeOpen" "$INSTDIR\krv4steuerung.exe" 0
  SetOutPath "$INSTDIR"

  WriteRegStr HKLM "Software\Classes\.krv" "" "${PROGID_KRV}"
  WriteRegStr HKLM "Software\Classes\${PROGID_KRV}" "" "KRV-4-Prüfprogramme"
  WriteRegStr HKLM "Software\Classes\${PROGID_KRV}\DefaultIcon" "" "$INSTDIR\application-x-krv4-programme.ico"
  WriteRegStr HKLM "Software\Classes\${PROGID_KRV}\shell\open\command" "" '"$INSTDIR\krv4steuerung.exe" "%1"'
  ; A calibration file is read on the calibration panel, not at start: a type
  ; with its name and icon, without an open command.
  WriteRegStr HKLM "Software\Classes\.krk" "" "${PROGID_KRK}"
  WriteRegStr HKLM "Software\Classes\${PROGID_KRK}" "" "KRV-4-Kalibrierdaten"
  WriteRegStr HKLM "Software\Classes\${PROGID_KRK}\DefaultIcon" "" "$INSTDIR\application-x-krv4-kalibrierdaten.ico"

  WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "${NAME}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "${NAME}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\krv4steuerung.exe,0"
  WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
  System::Call 'shell32::SHChangeNotify(i ${SHCNE_ASSOCCHANGED}, i 0, p 0, p 0)'
SectionEnd

; A file type is taken back only while it is still this program's.
!macro DateitypWeg ENDUNG PROGID
  ReadRegStr $0 HKLM "Software\Classes\${ENDUNG}" ""
  StrCmp $0 "${PROGID}" 0 +2
    DeleteRegKey HKLM "Software\Classes\${ENDUNG}"
  DeleteRegKey HKLM "Software\Classes\${PROGID}"
!macroend

Section "Uninstall"
  SetShellVarContext current
  Delete "$INSTDIR\krv4steuerung.exe"
  Delete "$INSTDIR\krv4.exe"
  Delete "$INSTDIR\krv4steuerung.ico"
  Delete "$INSTDIR\application-x-krv4-programme.ico"
  Delete "$INSTDIR\application-x-krv4-kalibrierdaten.ico"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${NAME}\KRV4 Steuerung.lnk"
  Delete "$SMPROGRAMS\${NAME}\KRV4 Steuerung (Service).lnk"
  RMDir "$SMPROGRAMS\${NAME}"
  ; The operator's folder goes only while it is empty: settings and data
  ; files in it are the operator's.
  RMDir "${ARBEIT}"
  !insertmacro DateitypWeg ".krv" "${PROGID_KRV}"
  !insertmacro DateitypWeg ".krk" "${PROGID_KRK}"
  DeleteRegKey HKLM "${UNINST_KEY}"
  System::Call 'shell32::SHChangeNotify(i ${SHCNE_ASSOCCHANGED}, i 0, p 0, p 0)'
SectionEnd

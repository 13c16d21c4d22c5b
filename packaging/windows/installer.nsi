; The Windows installer: the portable folder installed into Program Files, a Start-menu
; entry, an uninstaller listed among the installed programs, and "Open with Bibliora" for
; .mrc and .marc files. A .iso file is a disk image to most Windows users, so for .iso the
; program is only offered in the "Open with" list and never becomes the default.
; makensis -DVERSION=2.0.0 -DSOURCE=<portable folder> -DICON=<.ico> -DOUTFILE=<setup.exe> installer.nsi
; A 64-bit installer for the 64-bit program: it runs where the program runs.
Target amd64-unicode
ManifestDPIAware true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include "MUI2.nsh"
!include "x64.nsh"

!define APP "Bibliora"
!define PROGID "Bibliora.MarcFile"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${APP}"

Name "${APP} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${APP}"
InstallDirRegKey HKLM "Software\${APP}" "InstallDir"
BrandingText "${APP} ${VERSION}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\bibliora.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"
!insertmacro MUI_LANGUAGE "English"

Function .onInit
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
FunctionEnd

Function un.onInit
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
FunctionEnd

Section "Bibliora"
  SetOutPath "$INSTDIR"
  File /r "${SOURCE}\*.*"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "Software\${APP}" "InstallDir" "$INSTDIR"

  CreateShortcut "$SMPROGRAMS\${APP}.lnk" "$INSTDIR\bibliora.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${APP} ${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${APP}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\bibliora.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1

  ; The program's file type, and its place in each extension's "Open with" list.
  WriteRegStr HKLM "Software\Classes\${PROGID}" "" "MARC 书目记录文件"
  WriteRegStr HKLM "Software\Classes\${PROGID}\DefaultIcon" "" "$INSTDIR\bibliora.exe,0"
  WriteRegStr HKLM "Software\Classes\${PROGID}\shell\open\command" "" '"$INSTDIR\bibliora.exe" "%1"'
  WriteRegStr HKLM "Software\Classes\Applications\bibliora.exe\shell\open\command" "" '"$INSTDIR\bibliora.exe" "%1"'
  WriteRegStr HKLM "Software\Classes\Applications\bibliora.exe" "FriendlyAppName" "${APP}"
  WriteRegStr HKLM "Software\Classes\Applications\bibliora.exe\SupportedTypes" ".mrc" ""
  WriteRegStr HKLM "Software\Classes\Applications\bibliora.exe\SupportedTypes" ".marc" ""
  WriteRegStr HKLM "Software\Classes\Applications\bibliora.exe\SupportedTypes" ".iso" ""
  WriteRegStr HKLM "Software\Classes\.mrc\OpenWithProgids" "${PROGID}" ""
  WriteRegStr HKLM "Software\Classes\.marc\OpenWithProgids" "${PROGID}" ""
  WriteRegStr HKLM "Software\Classes\.iso\OpenWithProgids" "${PROGID}" ""
  ; .mrc and .marc open with Bibliora unless something else already owns them.
  ReadRegStr $0 HKLM "Software\Classes\.mrc" ""
  StrCmp $0 "" 0 +2
    WriteRegStr HKLM "Software\Classes\.mrc" "" "${PROGID}"
  ReadRegStr $0 HKLM "Software\Classes\.marc" ""
  StrCmp $0 "" 0 +2
    WriteRegStr HKLM "Software\Classes\.marc" "" "${PROGID}"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd

Section "Uninstall"
  Delete "$SMPROGRAMS\${APP}.lnk"
  RMDir /r "$INSTDIR\plugins"
  RMDir /r "$INSTDIR\translations"
  RMDir /r "$INSTDIR\samples"
  Delete "$INSTDIR\*.exe"
  Delete "$INSTDIR\*.dll"
  Delete "$INSTDIR\qt.conf"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  RMDir "$INSTDIR"

  ReadRegStr $0 HKLM "Software\Classes\.mrc" ""
  StrCmp $0 "${PROGID}" 0 +2
    DeleteRegValue HKLM "Software\Classes\.mrc" ""
  ReadRegStr $0 HKLM "Software\Classes\.marc" ""
  StrCmp $0 "${PROGID}" 0 +2
    DeleteRegValue HKLM "Software\Classes\.marc" ""
  DeleteRegValue HKLM "Software\Classes\.mrc\OpenWithProgids" "${PROGID}"
  DeleteRegValue HKLM "Software\Classes\.marc\OpenWithProgids" "${PROGID}"
  DeleteRegValue HKLM "Software\Classes\.iso\OpenWithProgids" "${PROGID}"
  DeleteRegKey HKLM "Software\Classes\${PROGID}"
  DeleteRegKey HKLM "Software\Classes\Applications\bibliora.exe"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "Software\${APP}"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd

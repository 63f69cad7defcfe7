; The Windows installer: puts tolvane.exe under Program Files, a Start-menu
; shortcut for all users and an entry in "Apps & features" with its uninstaller.
; Built by the tolvane_installer target (packaging/windows/installer.cmake).

; A 64-bit installer: it runs where the 64-bit program runs, writes the 64-bit
; registry view, and $PROGRAMFILES64 is the real Program Files.
Unicode true
Target amd64-unicode

!ifndef EXE | ICON | OUTFILE | VERSION | VI_VERSION
  !error "makensis needs /DEXE=, /DICON=, /DOUTFILE=, /DVERSION= and /DVI_VERSION="
!endif

!include "MUI2.nsh"
!include "FileFunc.nsh"

!define PRODUCT "Tolvane"
!define PUBLISHER "Vurla 软件工作室"
!define SHORTCUT "Tolvane 文件归集.lnk"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tolvane"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
; An update goes where the user put the first install.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
; Program Files and HKLM are writable only with elevation.
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ManifestDPIAware true
BrandingText "${PRODUCT} ${VERSION}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\tolvane.exe"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "SimpChinese"

VIProductVersion "${VI_VERSION}"
VIFileVersion "${VI_VERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileDescription" "${PRODUCT} 安装程序"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "LegalCopyright" "${PUBLISHER}"

Function .onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Section "Tolvane"
  SetOutPath "$INSTDIR"
  File "/oname=tolvane.exe" "${EXE}"
  ; The command line beside the window, for scripts and consoles.
  File "/oname=tolvane-cli.exe" "${CLI_EXE}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortcut "$SMPROGRAMS\${SHORTCUT}" "$INSTDIR\tolvane.exe" "" "$INSTDIR\tolvane.exe" 0

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Tolvane 文件归集"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$\"$INSTDIR\tolvane.exe$\",0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" "$\"$INSTDIR\uninstall.exe$\""
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" "$\"$INSTDIR\uninstall.exe$\" /S"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ; "Apps & features" shows this size, in KiB.
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
  Delete "$SMPROGRAMS\${SHORTCUT}"
  Delete "$INSTDIR\tolvane.exe"
  Delete "$INSTDIR\tolvane-cli.exe"
  Delete "$INSTDIR\uninstall.exe"
  ; Only when empty: files the user put there stay, and so does the folder.
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

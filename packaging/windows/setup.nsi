; The Windows setup: installs the program for every user of the PC into Program Files, with a
; Start-menu entry under its Chinese name and an uninstaller in the system's list of programs.
; An installed copy keeps its data in the user's own folder (%APPDATA%\DADE_System\px-system);
; uninstalling removes the programs only, never that data.
;
; packaging/windows/make-setup.sh runs it with the defines below and the two lists of files it
; makes from the zip's folder (without the zip's portable marker).
;   VERSION     the program's version (1.2.3)
;   ICON        the program's icon (.ico)
;   INSTALL     the list of File commands (install-files.nsh)
;   REMOVE      the list of Delete and RMDir commands (remove-files.nsh)
;   OUTFILE     the setup program to write
; Started with /S it installs (or, as uninstall.exe, removes) without asking anything.

; A 64-bit setup for a 64-bit program (and one that 64-bit Wine runs).
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true

!include "MUI2.nsh"
!include "x64.nsh"

!define PRODUCT "ZR4870PX设置系统"
!define PUBLISHER "DADE_System"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\PX-System"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\DADE_System\px-system"
RequestExecutionLevel admin
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} ${VERSION}"
VIAddVersionKey /LANG=0 "LegalCopyright" "${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\px-system.exe"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The setup speaks the system's language: Chinese on a Chinese Windows, English elsewhere (the
; first language is the one taken when none matches).
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "SimpChinese"

Function .onInit
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Function un.onInit
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Section "Install"
    !include "${INSTALL}"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\px-system.exe" "" "$INSTDIR\px-system.exe" 0

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\px-system.exe,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    Delete "$SMPROGRAMS\${PRODUCT}.lnk"
    !include "${REMOVE}"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    RMDir "$INSTDIR\.."
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

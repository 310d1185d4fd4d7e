; The Windows installer: a per-user install (no administrator), a Start menu entry and an
; uninstaller. scripts/windows-gui runs makensis with VERSION, BUNDLE (the folder to install)
; and OUTFILE defined.
Unicode true
Target amd64-unicode
RequestExecutionLevel user
SetCompressor /SOLID lzma

Name "Orbtool ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Orbtool"
InstallDirRegKey HKCU "Software\Orbtool" "InstallDir"
ShowInstDetails nevershow

!include "MUI2.nsh"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Orbtool"

Section "Orbtool"
    SetShellVarContext current
    SetOutPath "$INSTDIR"
    File /r "${BUNDLE}\*.*"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateDirectory "$SMPROGRAMS\Orbtool"
    CreateShortcut "$SMPROGRAMS\Orbtool\Orbtool.lnk" "$INSTDIR\orbtool.exe"
    CreateShortcut "$SMPROGRAMS\Orbtool\Uninstall Orbtool.lnk" "$INSTDIR\uninstall.exe"
    WriteRegStr HKCU "Software\Orbtool" "InstallDir" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Orbtool"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\orbtool.exe"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    SetShellVarContext current
    ; Only what the installer put there: a user's own files in the folder stay.
    Delete "$SMPROGRAMS\Orbtool\Orbtool.lnk"
    Delete "$SMPROGRAMS\Orbtool\Uninstall Orbtool.lnk"
    RMDir "$SMPROGRAMS\Orbtool"
    Delete "$INSTDIR\orbtool.exe"
    Delete "$INSTDIR\orbtool-cli.exe"
    Delete "$INSTDIR\*.dll"
    Delete "$INSTDIR\readme.txt"
    RMDir /r "$INSTDIR\platforms"
    RMDir /r "$INSTDIR\styles"
    RMDir /r "$INSTDIR\licences"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
    DeleteRegKey HKCU "Software\Orbtool"
SectionEnd

; The Windows installer, keblor-<version>-win64-setup.exe, made on Linux by makensis (the build's
; `setup` target):
;   makensis -DVERSION=1.5.0 -DSTAGE=<the zip's files> -DICON=<keblor.ico> -DOUTFILE=<setup.exe> keblor.nsi
; Installs for all users under Program Files\CW Keblor: keblor.exe, its help pages, README and
; LICENSE; a Start menu shortcut "CW Keblor" that keeps the settings in the user's application
; data folder (keblor.exe --settings-in-config); and an uninstaller in Add/Remove Programs. Both
; run silently with /S. The uninstaller removes only what the installer put there, so the users'
; settings stay, wherever they are.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!define NAME "CW Keblor"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\CW Keblor"

Name "${NAME}"
OutFile "${OUTFILE}"
Icon "${ICON}"
UninstallIcon "${ICON}"
InstallDir "$PROGRAMFILES64\${NAME}"
; A second install goes where the first one went.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${NAME}"
VIAddVersionKey "FileDescription" "${NAME} setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "CompanyName" "CW Keblor developers"
VIAddVersionKey "LegalCopyright" "MIT license"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section
  SetShellVarContext all
  SetOutPath "$INSTDIR\help"
  File "${STAGE}/help/*.html"
  File "${STAGE}/help/*.css"
  SetOutPath "$INSTDIR"
  File "${STAGE}/keblor.exe"
  File "${STAGE}/README.md"
  File "${STAGE}/LICENSE"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; Started from the Start menu the program has no folder of the user's to keep its settings in.
  CreateShortcut "$SMPROGRAMS\${NAME}.lnk" "$INSTDIR\keblor.exe" "--settings-in-config" "$INSTDIR\keblor.exe" 0

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${NAME}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "CW Keblor developers"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\keblor.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  SectionGetSize 0 $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\${NAME}.lnk"
  Delete "$INSTDIR\help\*.html"
  Delete "$INSTDIR\help\*.css"
  RMDir "$INSTDIR\help"
  Delete "$INSTDIR\keblor.exe"
  Delete "$INSTDIR\README.md"
  Delete "$INSTDIR\LICENSE"
  Delete "$INSTDIR\uninstall.exe"
  ; Only when empty: a settings file saved here stays, with its folder.
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

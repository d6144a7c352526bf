; QuietSpin setup. Built by the CMake target `installer`, which passes:
;   DIST_DIR   the assembled program folder (Backdrop.exe comes from there too)
;   LISTS_DIR  where install_files.nsh and uninstall_files.nsh were generated
;   ICON_FILE  the application icon
;   OUT_FILE   the setup program to write
Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!define PRODUCT "QuietSpin"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\QuietSpin"
; Created by QuietSpin on its first run; its existence means the first run is over.
!define MARKER_KEY "SYSTEM\CurrentControlSet\Services\QuietSpin\Setting"
!define MARKER_PARENT "SYSTEM\CurrentControlSet\Services\QuietSpin"
; INSTASPI.BAT records under this key what it did to the system folder, and removes the record
; when it puts the folder back.
!define LAYER_RECORD_PARENT "SOFTWARE\QuietSpin"

Name "${PRODUCT}"
OutFile "${OUT_FILE}"
Icon "${ICON_FILE}"
UninstallIcon "${ICON_FILE}"
InstallDir "$PROGRAMFILES\QuietSpin"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails nevershow
ShowUninstDetails nevershow
; Close by itself once the files are in place.
AutoCloseWindow true

VIProductVersion 1.0.0.0
VIFileVersion 1.0.0.0
VIAddVersionKey /LANG=1033 "CompanyName" "Vantor"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "1.00"
VIAddVersionKey /LANG=1033 "ProductVersion" "1.00"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Vantor"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "QuietSpin"
  SetShellVarContext all
  ; The splash runs on its own while the files are copied; a silent setup shows nothing.
  IfSilent files
    InitPluginsDir
    File "/oname=$PLUGINSDIR\Backdrop.exe" "${DIST_DIR}/Backdrop.exe"
    Exec '"$PLUGINSDIR\Backdrop.exe"'
  files:
  SetOutPath "$INSTDIR"
  !include "${LISTS_DIR}/install_files.nsh"

  CreateDirectory "$SMPROGRAMS\QuietSpin"
  CreateShortCut "$SMPROGRAMS\QuietSpin\QuietSpin.lnk" "$INSTDIR\QuietSpin.exe" "" "$INSTDIR\QuietSpin.exe" 0

  WriteUninstaller "$INSTDIR\uninst.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\QuietSpin.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "1.00"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Vantor"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninst.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninst.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  ; The batch file that installed the ASPI layer puts the system folder back as it found it,
  ; while it and its check are still here. It runs in its own folder, and the uninstaller then
  ; leaves that folder so that it can be removed.
  SetOutPath "$INSTDIR"
  nsExec::Exec '"$SYSDIR\cmd.exe" /d /c INSTASPI.BAT remove'
  Pop $0
  SetOutPath "$TEMP"
  DeleteRegKey /ifempty HKLM "${LAYER_RECORD_PARENT}"

  !include "${LISTS_DIR}/uninstall_files.nsh"
  ; Written by the program folder's batch file, not by the setup.
  Delete "$INSTDIR\INSTASPI.LOG"
  Delete "$INSTDIR\uninst.exe"
  RMDir "$INSTDIR"

  Delete "$SMPROGRAMS\QuietSpin\QuietSpin.lnk"
  RMDir "$SMPROGRAMS\QuietSpin"

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ; A later install starts over with the first-run steps.
  DeleteRegKey HKLM "${MARKER_KEY}"
  DeleteRegKey /ifempty HKLM "${MARKER_PARENT}"
SectionEnd

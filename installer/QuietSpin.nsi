; QuietSpin setup. Built by the CMake target `installer`, which passes:
;   DIST_DIR   the assembled program folder (Backdrop.exe comes from there too)
;   LISTS_DIR  where install_files.nsh and uninstall_files.nsh were generated
;   ICON_FILE  the application icon
;   OUT_FILE   the setup program to write
;
; Command line: /S installs silently; /NOAUTOSTART leaves out the logon task (the option
; "Start QuietSpin when I log on to Windows", on by default).
Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "Sections.nsh"
!include "WordFunc.nsh"

!define PRODUCT "QuietSpin"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\QuietSpin"
; Created by QuietSpin on its first run; its existence means the first run is over.
!define MARKER_KEY "SYSTEM\CurrentControlSet\Services\QuietSpin\Setting"
!define MARKER_PARENT "SYSTEM\CurrentControlSet\Services\QuietSpin"
; The task scheduler's logon task that starts QuietSpin elevated without a prompt, and the
; definition it is registered from, kept in the program folder for the administrator to read.
!define LOGON_TASK "QuietSpin"
!define LOGON_TASK_FILE "$INSTDIR\QuietSpin-logon-task.xml"
; INSTASPI.BAT records under this key what it did to the system folder, and removes the record
; when it puts the folder back.
!define LAYER_RECORD_PARENT "SOFTWARE\QuietSpin"
; QuietSpin keeps here, per user, the speed level a start in the tray comes back to.
!define USER_SETTINGS_KEY "Software\QuietSpin"

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

Page components
Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "QuietSpin" SEC_PROGRAM
  SectionIn RO
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

; QuietSpin asks for administrator rights, and Windows starts no elevated program from the Run
; entries at logon without a prompt: a logon task of the task scheduler with the highest
; privileges does. Registered under one name, replaced on a reinstall, never doubled.
Section "Start QuietSpin when I log on to Windows" SEC_LOGON
  Call WriteLogonTask
  nsExec::ExecToStack '"$SYSDIR\schtasks.exe" /Create /TN "${LOGON_TASK}" /XML "${LOGON_TASK_FILE}" /F'
  Pop $0
  Pop $1
  ${If} $0 != 0
    MessageBox MB_OK|MB_ICONEXCLAMATION "QuietSpin could not be set to start when you log on to Windows:$\r$\n$1" /SD IDOK
  ${EndIf}
SectionEnd

; A reinstall without the option takes away the task an earlier one registered.
Section "-logon task left out"
  ${IfNot} ${SectionIsSelected} ${SEC_LOGON}
    nsExec::Exec '"$SYSDIR\schtasks.exe" /Delete /TN "${LOGON_TASK}" /F'
    Pop $0
    Delete "${LOGON_TASK_FILE}"
  ${EndIf}
SectionEnd

Function .onInit
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/NOAUTOSTART" $1
  ${IfNot} ${Errors}
    !insertmacro UnselectSection ${SEC_LOGON}
  ${EndIf}
FunctionEnd

; The task definition, in UTF-16 as the task scheduler reads it: a logon trigger for the user who
; installs, run with the highest privileges in that user's session, QuietSpin.exe /tray (it starts
; in the tray at the speed last chosen, so that the drives are quiet without a click), and none of
; the scheduler's defaults that would stop a tray program (a 72-hour limit, no start or a stop on
; battery, below-normal priority).
Function WriteLogonTask
  ; DOMAIN\user of the account that runs the setup (NameSamCompatible).
  System::Call 'secur32::GetUserNameExW(i 2, w .r1, *i ${NSIS_MAX_STRLEN})'
  ${If} $1 == ""
    ReadEnvStr $2 USERDOMAIN
    ReadEnvStr $1 USERNAME
    StrCpy $1 "$2\$1"
  ${EndIf}
  ${WordReplace} $1 "&" "&amp;" "+" $1
  ${WordReplace} "$INSTDIR" "&" "&amp;" "+" $2
  FileOpen $0 "${LOGON_TASK_FILE}" w
  FileWriteWord $0 0xFEFF
  FileWriteUTF16LE $0 '<?xml version="1.0" encoding="UTF-16"?>$\r$\n'
  FileWriteUTF16LE $0 '<Task version="1.2" xmlns="http://schemas.microsoft.com/windows/2004/02/mit/task">$\r$\n'
  FileWriteUTF16LE $0 '  <RegistrationInfo>$\r$\n'
  FileWriteUTF16LE $0 '    <Description>Starts QuietSpin when you log on, so that the drives stay quiet.</Description>$\r$\n'
  FileWriteUTF16LE $0 '  </RegistrationInfo>$\r$\n'
  FileWriteUTF16LE $0 '  <Triggers>$\r$\n'
  FileWriteUTF16LE $0 '    <LogonTrigger>$\r$\n'
  FileWriteUTF16LE $0 '      <Enabled>true</Enabled>$\r$\n'
  FileWriteUTF16LE $0 '      <UserId>$1</UserId>$\r$\n'
  FileWriteUTF16LE $0 '    </LogonTrigger>$\r$\n'
  FileWriteUTF16LE $0 '  </Triggers>$\r$\n'
  FileWriteUTF16LE $0 '  <Principals>$\r$\n'
  FileWriteUTF16LE $0 '    <Principal id="Author">$\r$\n'
  FileWriteUTF16LE $0 '      <UserId>$1</UserId>$\r$\n'
  FileWriteUTF16LE $0 '      <LogonType>InteractiveToken</LogonType>$\r$\n'
  FileWriteUTF16LE $0 '      <RunLevel>HighestAvailable</RunLevel>$\r$\n'
  FileWriteUTF16LE $0 '    </Principal>$\r$\n'
  FileWriteUTF16LE $0 '  </Principals>$\r$\n'
  FileWriteUTF16LE $0 '  <Settings>$\r$\n'
  FileWriteUTF16LE $0 '    <MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>$\r$\n'
  FileWriteUTF16LE $0 '    <DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>$\r$\n'
  FileWriteUTF16LE $0 '    <StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>$\r$\n'
  FileWriteUTF16LE $0 '    <ExecutionTimeLimit>PT0S</ExecutionTimeLimit>$\r$\n'
  FileWriteUTF16LE $0 '    <Priority>5</Priority>$\r$\n'
  FileWriteUTF16LE $0 '  </Settings>$\r$\n'
  FileWriteUTF16LE $0 '  <Actions Context="Author">$\r$\n'
  FileWriteUTF16LE $0 '    <Exec>$\r$\n'
  FileWriteUTF16LE $0 '      <Command>$2\QuietSpin.exe</Command>$\r$\n'
  FileWriteUTF16LE $0 '      <Arguments>/tray</Arguments>$\r$\n'
  FileWriteUTF16LE $0 '      <WorkingDirectory>$2</WorkingDirectory>$\r$\n'
  FileWriteUTF16LE $0 '    </Exec>$\r$\n'
  FileWriteUTF16LE $0 '  </Actions>$\r$\n'
  FileWriteUTF16LE $0 '</Task>$\r$\n'
  FileClose $0
FunctionEnd

Section "Uninstall"
  SetShellVarContext all
  nsExec::Exec '"$SYSDIR\schtasks.exe" /Delete /TN "${LOGON_TASK}" /F'
  Pop $0
  ; The batch file that installed the ASPI layer puts the system folder back as it found it,
  ; while it and its check are still here. It runs in its own folder, and the uninstaller then
  ; leaves that folder so that it can be removed.
  SetOutPath "$INSTDIR"
  nsExec::Exec '"$SYSDIR\cmd.exe" /d /c INSTASPI.BAT remove'
  Pop $0
  SetOutPath "$TEMP"
  DeleteRegKey /ifempty HKLM "${LAYER_RECORD_PARENT}"

  !include "${LISTS_DIR}/uninstall_files.nsh"
  ; Written by the program folder's batch file and by the setup's option, not from the file lists.
  Delete "$INSTDIR\INSTASPI.LOG"
  Delete "${LOGON_TASK_FILE}"
  Delete "$INSTDIR\uninst.exe"
  RMDir "$INSTDIR"

  Delete "$SMPROGRAMS\QuietSpin\QuietSpin.lnk"
  RMDir "$SMPROGRAMS\QuietSpin"

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ; The speed level kept for a start in the tray, of the user who uninstalls.
  DeleteRegKey HKCU "${USER_SETTINGS_KEY}"
  ; A later install starts over with the first-run steps.
  DeleteRegKey HKLM "${MARKER_KEY}"
  DeleteRegKey /ifempty HKLM "${MARKER_PARENT}"
SectionEnd

@echo off
rem Installs the ASPI layer that ships with QuietSpin (ASPI\WNASPI32.DLL in this folder) into the
rem folder where 32-bit programs find their system libraries, where it serves and only there, and
rem notes each decision with its reason in INSTASPI.LOG. "INSTASPI.BAT remove" (the uninstaller
rem runs it) puts the system folder back as the installation found it.
rem
rem   WNASPI32.DLL in the system folder        what happens
rem   none                                     ours is installed
rem   ours, older or the same version          kept aside, ours installed
rem     ... put there by this installation     ours installed over it
rem   ours, newer                              left as it is
rem   someone else's that works                left as it is: QuietSpin talks through it
rem   someone else's that does not work        kept aside, ours installed
rem
rem ASPI\ASPICHK.EXE tells ours from another by the version resource (company and product), and
rem whether a layer works: it loads and reports a host adapter, or reports none on a system without
rem an optical drive. A layer kept aside is copied to WNASPI32.QuietSpin-<n>.BAK with the first
rem number not yet taken, so that no later run overwrites it.
rem The first time ours is installed, the shared-library count of the system folder's WNASPI32.DLL
rem (HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\SharedDLLs) goes up by one, and
rem HKLM\SOFTWARE\QuietSpin\ASPI records for the uninstaller the layer's path (Layer), the count
rem found before (Count) and, when a layer was kept aside, its copy (Kept).
rem
rem On 64-bit Windows, 32-bit programs find their system libraries in SysWOW64, and their registry
rem in the 32-bit view, whichever cmd.exe runs this file.
rem No parenthesised blocks below: the folder may be "Program Files (x86)", and a ")" expanded
rem inside a block would end it.
rem QuietSpin starts the batch in its own folder, and then the folder's name is never expanded
rem (percent signs in it would be read as variables); started from elsewhere (an elevated start
rem from Explorer runs in the system folder), it first changes to its folder.
setlocal
if not exist "%~nx0" cd /d "%~dp0"
set "SOURCE=ASPI\WNASPI32.DLL"
set "CHECK=ASPI\ASPICHK.EXE"
set "LOG=INSTASPI.LOG"
set "TARGET=%SystemRoot%\System32"
set "VIEW="
if defined PROCESSOR_ARCHITEW6432 set "VIEW=/reg:32"
if /i "%PROCESSOR_ARCHITECTURE%"=="AMD64" set "VIEW=/reg:32"
if /i "%PROCESSOR_ARCHITECTURE%"=="ARM64" set "VIEW=/reg:32"
if defined VIEW set "TARGET=%SystemRoot%\SysWOW64"
set "LAYER=%TARGET%\WNASPI32.DLL"
set "COUNTS=HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\SharedDLLs"
set "RECORD=HKLM\SOFTWARE\QuietSpin\ASPI"
set "KEPT="
if not exist "%SOURCE%" goto missing
if not exist "%CHECK%" goto missing_check
call :read_record
if /i "%~1"=="remove" goto remove

if not exist "%LAYER%" goto install_none
call :check
if not defined CHK_origin goto check_failed
if "%CHK_origin%"=="ours-newer" goto keep_newer
if "%CHK_origin%"=="foreign" goto foreign
if not defined REC_LAYER goto ours_found
set "REASON=over its own earlier copy %CHK_version%"
goto install

:ours_found
call :keep_aside
if errorlevel 1 goto failed_aside
set "REASON=over QuietSpin's layer %CHK_version% found there, kept as %KEPT%"
goto install

:foreign
if "%CHK_state%"=="works" goto keep_working
if "%CHK_state%"=="no-drive" goto keep_idle
set "REASON=the layer there does not load"
if "%CHK_state%"=="no-adapter" set "REASON=the layer there reports no host adapter although the system has an optical drive"
if "%CHK_state%"=="no-answer" set "REASON=the layer there does not answer"
call :keep_aside
if errorlevel 1 goto failed_aside
set "REASON=%REASON%; it is kept as %KEPT%"
goto install

:install_none
set "REASON=no ASPI layer was there"

:install
rem The new file is copied beside the old one and then renamed over it, so that the old file is
rem replaced as a whole rather than rewritten in place (another name may link to the same data).
copy /y "%SOURCE%" "%TARGET%\WNASPI32.NEW" >nul
if errorlevel 1 goto failed_copy
move /y "%TARGET%\WNASPI32.NEW" "%LAYER%" >nul
if errorlevel 1 goto failed_copy
if not exist "%LAYER%" goto failed
rem What landed must be the file itself: same size (a folder has none) and same bytes.
set "SOURCESIZE=" & set "TARGETSIZE="
for %%F in ("%SOURCE%") do set "SOURCESIZE=%%~zF"
for %%F in ("%LAYER%") do set "TARGETSIZE=%%~zF"
if not "%SOURCESIZE%"=="%TARGETSIZE%" goto failed
fc /b "%SOURCE%" "%LAYER%" >nul
if errorlevel 1 goto failed
call :record
>>"%LOG%" echo %DATE% %TIME% installed WNASPI32.DLL in %TARGET%: %REASON%
exit /b 0

:keep_newer
>>"%LOG%" echo %DATE% %TIME% kept QuietSpin's newer layer %CHK_version% in %TARGET%
exit /b 0

:keep_working
>>"%LOG%" echo %DATE% %TIME% kept the ASPI layer in %TARGET%: it works (it reports a host adapter)
exit /b 0

:keep_idle
>>"%LOG%" echo %DATE% %TIME% kept the ASPI layer in %TARGET%: it reports no host adapter, and the system has no optical drive
exit /b 0

:missing
>>"%LOG%" echo %DATE% %TIME% failed: %SOURCE% is missing
exit /b 1

:missing_check
>>"%LOG%" echo %DATE% %TIME% failed: %CHECK% is missing
exit /b 1

:check_failed
>>"%LOG%" echo %DATE% %TIME% failed: %CHECK% could not tell what %LAYER% is; it is left as it is
exit /b 1

:failed_aside
>>"%LOG%" echo %DATE% %TIME% failed to keep a copy of %LAYER%; it is left as it is
exit /b 1

:failed_copy
if exist "%TARGET%\WNASPI32.NEW" del "%TARGET%\WNASPI32.NEW"
rem The layer there is untouched: its copy is not needed.
if defined KEPT del "%KEPT%"

:failed
>>"%LOG%" echo %DATE% %TIME% failed to copy WNASPI32.DLL to %TARGET%
exit /b 1

rem ---- uninstalling ------------------------------------------------------------------------------
rem The count goes down by one. Where it is still above the count found at installation, another
rem program has come to count on the layer, and it stays. Otherwise, where the layer is still ours
rem (or gone), the copy kept aside goes back, or, with none, ours is removed. A layer that is no
rem longer ours is left alone.
:remove
if not defined REC_LAYER goto remove_nothing
set "LAYER=%REC_LAYER%"
call :read_count
set /a LEFT=COUNT-1
if %LEFT% lss 0 set "LEFT=0"
if %LEFT% gtr %REC_COUNT% goto remove_shared
if not exist "%LAYER%" goto put_back
call :check
if not defined CHK_origin goto remove_unknown
if "%CHK_origin%"=="foreign" goto remove_foreign

:put_back
if defined REC_KEPT goto restore
if exist "%LAYER%" del "%LAYER%"
if exist "%LAYER%" goto remove_failed
set "DONE=removed %LAYER%: there was none before"
goto release

:restore
move /y "%REC_KEPT%" "%LAYER%" >nul
if errorlevel 1 goto remove_failed
set "DONE=put back %LAYER% from %REC_KEPT%"
goto release

:remove_shared
set "DONE=left %LAYER%: %LEFT% other uses are counted on it"
goto release

:remove_unknown
set "DONE=left %LAYER%: %CHECK% could not tell what it is"
goto release

:remove_foreign
set "DONE=left %LAYER%: it is no longer QuietSpin's"
goto release

:remove_failed
set "DONE=failed to put back %LAYER%"

:release
if %LEFT%==0 reg delete "%COUNTS%" /v "%LAYER%" /f %VIEW% >nul 2>&1
if not %LEFT%==0 reg add "%COUNTS%" /v "%LAYER%" /t REG_DWORD /d %LEFT% /f %VIEW% >nul
reg delete "%RECORD%" /f %VIEW% >nul 2>&1
>>"%LOG%" echo %DATE% %TIME% %DONE%
exit /b 0

:remove_nothing
>>"%LOG%" echo %DATE% %TIME% nothing to put back: no installation of the layer is recorded
exit /b 0

rem ---- helpers -----------------------------------------------------------------------------------
rem CHK_origin, CHK_version and CHK_state from ASPICHK; a layer that ended the check before it
rem could answer does not load.
:check
set "CHK_origin=" & set "CHK_version=" & set "CHK_state="
for /f "tokens=1,* delims==" %%A in ('ASPI\ASPICHK.EXE "%LAYER%" "%SOURCE%" 2^>nul') do set "CHK_%%A=%%B"
if defined CHK_origin if not defined CHK_state set "CHK_state=no-load"
exit /b 0

rem KEPT: a copy of the layer under the first name not yet taken.
:keep_aside
set "N=0"
:next_name
set /a N+=1
set "KEPT=%TARGET%\WNASPI32.QuietSpin-%N%.BAK"
if exist "%KEPT%" goto next_name
copy /b /y "%LAYER%" "%KEPT%" >nul
if errorlevel 1 goto keep_aside_failed
fc /b "%LAYER%" "%KEPT%" >nul
if errorlevel 1 goto keep_aside_failed
exit /b 0
:keep_aside_failed
if exist "%KEPT%" del "%KEPT%"
set "KEPT="
exit /b 1

rem COUNT: the shared-library count of LAYER, 0 when there is none.
:read_count
set "COUNT=0" & set "LINE="
for /f "delims=" %%L in ('reg query "%COUNTS%" /v "%LAYER%" %VIEW% 2^>nul ^| find "REG_DWORD"') do set "LINE=%%L"
if defined LINE set /a COUNT=%LINE:*REG_DWORD=%
exit /b 0

rem REC_LAYER, REC_COUNT and REC_KEPT from the record, empty (0) where there is none.
:read_record
set "REC_LAYER=" & set "REC_COUNT=0" & set "REC_KEPT=" & set "LINE="
for /f "tokens=2*" %%A in ('reg query "%RECORD%" /v Layer %VIEW% 2^>nul ^| find "REG_SZ"') do set "REC_LAYER=%%B"
for /f "tokens=2*" %%A in ('reg query "%RECORD%" /v Kept %VIEW% 2^>nul ^| find "REG_SZ"') do set "REC_KEPT=%%B"
for /f "delims=" %%L in ('reg query "%RECORD%" /v Count %VIEW% 2^>nul ^| find "REG_DWORD"') do set "LINE=%%L"
if defined LINE set /a REC_COUNT=%LINE:*REG_DWORD=%
exit /b 0

rem The first installation takes one count on the layer and writes the record; a later one that
rem keeps another layer aside records that copy instead.
:record
if defined REC_LAYER goto record_kept
call :read_count
set /a COUNT_AFTER=COUNT+1
reg add "%COUNTS%" /v "%LAYER%" /t REG_DWORD /d %COUNT_AFTER% /f %VIEW% >nul
reg add "%RECORD%" /v Layer /t REG_SZ /d "%LAYER%" /f %VIEW% >nul
reg add "%RECORD%" /v Count /t REG_DWORD /d %COUNT% /f %VIEW% >nul
:record_kept
if defined KEPT reg add "%RECORD%" /v Kept /t REG_SZ /d "%KEPT%" /f %VIEW% >nul
exit /b 0

@echo off
rem Installs the ASPI layer that ships with QuietSpin (ASPI\WNASPI32.DLL in this folder) into the
rem folder where 32-bit programs find their system libraries, and notes the outcome in INSTASPI.LOG.
rem A 32-bit cmd.exe on 64-bit Windows is shown the 32-bit system folder as System32; a 64-bit one
rem (the batch started from Explorer) has to be sent to SysWOW64 by name.
rem No parenthesised blocks below: the folder may be "Program Files (x86)", and a ")" expanded
rem inside a block would end it.
rem QuietSpin starts the batch in its own folder, and then the folder's name is never expanded
rem (percent signs in it would be read as variables); started from elsewhere (an elevated start
rem from Explorer runs in the system folder), it first changes to its folder.
setlocal
if not exist "%~nx0" cd /d "%~dp0"
set "SOURCE=ASPI\WNASPI32.DLL"
set "LOG=INSTASPI.LOG"
set "TARGET=%SystemRoot%\System32"
if /i "%PROCESSOR_ARCHITECTURE%"=="AMD64" set "TARGET=%SystemRoot%\SysWOW64"
if /i "%PROCESSOR_ARCHITECTURE%"=="ARM64" set "TARGET=%SystemRoot%\SysWOW64"
if not exist "%SOURCE%" goto missing
rem The first layer found there is kept once; later runs do not overwrite the copy.
if exist "%TARGET%\WNASPI32.DLL" if not exist "%TARGET%\WNASPI32.BAK" copy /y "%TARGET%\WNASPI32.DLL" "%TARGET%\WNASPI32.BAK" >nul
rem The new file is copied beside the old one and then renamed over it, so that the old file is
rem replaced as a whole rather than rewritten in place (another name may link to the same data).
copy /y "%SOURCE%" "%TARGET%\WNASPI32.NEW" >nul
if errorlevel 1 goto failed
move /y "%TARGET%\WNASPI32.NEW" "%TARGET%\WNASPI32.DLL" >nul
if errorlevel 1 goto failed
if not exist "%TARGET%\WNASPI32.DLL" goto failed
rem What landed must be the file itself: same size (a folder has none) and same bytes.
set "SOURCESIZE=" & set "TARGETSIZE="
for %%F in ("%SOURCE%") do set "SOURCESIZE=%%~zF"
for %%F in ("%TARGET%\WNASPI32.DLL") do set "TARGETSIZE=%%~zF"
if not "%SOURCESIZE%"=="%TARGETSIZE%" goto failed
fc /b "%SOURCE%" "%TARGET%\WNASPI32.DLL" >nul
if errorlevel 1 goto failed
>>"%LOG%" echo %DATE% %TIME% installed WNASPI32.DLL in %TARGET%
exit /b 0

:missing
>>"%LOG%" echo %DATE% %TIME% failed: %SOURCE% is missing
exit /b 1

:failed
if exist "%TARGET%\WNASPI32.NEW" del "%TARGET%\WNASPI32.NEW"
>>"%LOG%" echo %DATE% %TIME% failed to copy WNASPI32.DLL to %TARGET%
exit /b 1

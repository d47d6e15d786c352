@echo off
rem Dials a phone-book entry with nelvo in the background, shows each IPC
rem status it sees while it waits for the outcome, and hangs the link up
rem again once it is connected.
rem   dial.bat ENTRY USER PASSWORD PHONE
rem Its files go to the current folder: dial.log (the report of the dial),
rem dial.ipc (the IPC status) and hangup.log. nelvo.exe is the one in the
rem folder above this batch file, where the package puts it.
setlocal
if "%~4"=="" (
  echo usage: dial.bat ENTRY USER PASSWORD PHONE
  exit /b 1
)
set "NELVO=%~dp0..\nelvo.exe"
set "SHOWN="
set /a POLLS=0
rem A status left from an earlier run would read as this run's outcome.
if exist dial.ipc del dial.ipc
rem Standard output is a file, so the report goes there.
start "" /b "%NELVO%" /ENTRY:%1 /USER:%2 /PASS:%3 /PHONE:%4 /IPC:dial.ipc /CANCEL:dial.cancel >dial.log

rem Once a second: show the status when it has changed, and stop when the
rem report has its last line (a dial takes at most about 90 seconds).
:wait
call :show_status
call :read_last_line
if "%LINE%"=="Connected" goto connected
if "%LINE:~0,12%"=="ERROR CODE :" goto failed
if "%LINE:~-25%"=="/ENTRY parm you are using" goto failed
set /a POLLS+=1
if %POLLS% geq 120 goto failed
ping -n 2 127.0.0.1 >nul
goto wait

:connected
call :show_status
call :show_report dial.log
echo Connected: hanging up %1
"%NELVO%" /ENTRY:%1 /IPC:dial.ipc /HANGUP >hangup.log
call :show_report hangup.log
exit /b 0

:failed
call :show_status
call :show_report dial.log
echo Not connected: %STATUS%
exit /b 1

rem Shows the IPC status when it differs from the one shown last.
:show_status
call :read_status
if not "%STATUS%"=="%SHOWN%" (
  echo IPC status: %STATUS%
  set "SHOWN=%STATUS%"
)
goto :eof

rem STATUS: the IPC status without its padding. nelvo keeps the file open
rem for writing, so it is copied first: type and input redirection ask for
rem sharing that a writer already holding the file does not allow.
:read_status
set "STATUS="
if not exist dial.ipc goto :eof
copy /y dial.ipc dial.now >nul
set /p STATUS=<dial.now
del dial.now
:trim_status
if "%STATUS:~-1%"==" " set "STATUS=%STATUS:~0,-1%" & goto trim_status
goto :eof

rem LINE: the last line of the report so far ("-" when there is none).
:read_last_line
set "LINE=-"
for /f "usebackq delims=" %%L in ("dial.log") do set "LINE=%%L"
goto :eof

:show_report
for /f "usebackq delims=" %%L in ("%~1") do echo   %%L
goto :eof

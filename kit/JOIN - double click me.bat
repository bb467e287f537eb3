@echo off
rem JOIN - double click me.bat
rem Installs the kit into the game folder without the launcher (for a PC without the WebView2
rem Runtime): unzip the kit into the game folder, then double-click this file. It asks Windows
rem for administrator rights (the hosts file needs them), runs the kit's script with Windows
rem PowerShell in this window, shows its progress and result, and waits for a key.
setlocal EnableExtensions DisableDelayedExpansion

rem Taken before anything else: the kit is the folder of this file, wherever it was started
rem from (an elevated start begins in the system folder).
set "VYR_JOIN_KIT=%~dp0"
set "VYR_JOIN_SELF=%~f0"
set "VYR_JOIN_PS=%SystemRoot%\System32\WindowsPowerShell\v1.0\powershell.exe"
rem A 32-bit console sees the 32-bit system folder; the 64-bit PowerShell is the one to run.
if exist "%SystemRoot%\Sysnative\WindowsPowerShell\v1.0\powershell.exe" set "VYR_JOIN_PS=%SystemRoot%\Sysnative\WindowsPowerShell\v1.0\powershell.exe"

title Installing the kit
if not exist "%VYR_JOIN_PS%" (
    echo Windows PowerShell was not found at %VYR_JOIN_PS%.
    goto :end
)
if not exist "%VYR_JOIN_KIT%launcher\actions.ps1" (
    echo The kit's script launcher\actions.ps1 is missing: unzip the whole kit again, inside the game folder.
    goto :end
)

rem fltmc answers only to an administrator.
"%SystemRoot%\System32\fltmc.exe" >nul 2>&1
if not errorlevel 1 goto :install
if "%~1"=="/elevated" (
    echo Administrator rights were not granted; the install needs them.
    goto :end
)
echo Asking Windows for administrator rights: the install goes on in a new window.
rem The paths reach PowerShell in environment variables, never on a command line, so blanks,
rem ampersands, percent and exclamation marks, brackets and letters of any language in them
rem are taken as they are.
"%VYR_JOIN_PS%" -NoProfile -NonInteractive -ExecutionPolicy Bypass -Command "$i = New-Object Diagnostics.ProcessStartInfo; $i.FileName = $env:VYR_JOIN_SELF; $i.Arguments = '/elevated'; $i.Verb = 'runas'; $i.UseShellExecute = $true; try { [void][Diagnostics.Process]::Start($i) } catch { exit 1 }"
if not "%errorlevel%"=="0" (
    echo Windows did not start the install as administrator ^(the prompt was declined^). Nothing was changed.
    goto :end
)
endlocal
exit /b 0

:install
echo Installing the kit into "%VYR_JOIN_KIT%"
echo.
rem A child PowerShell runs the script (its exit ends only that child) while this one shows the
rem new lines of its log, then the result it wrote. Windows PowerShell 5.1 takes the path after
rem -File as a wildcard pattern, so a folder named with [ or ] could run nothing or another
rem file: the script is loaded from its literal path instead. Every path is a single-quoted
rem literal in that command, its quotes doubled.
"%VYR_JOIN_PS%" -NoProfile -NonInteractive -ExecutionPolicy Bypass -Command "$ErrorActionPreference = 'Stop'; try { $k = $env:VYR_JOIN_KIT; if ($k.Length -gt 3) { $k = $k.TrimEnd([char]92) }; $s = [IO.Path]::Combine($k, 'launcher\actions.ps1'); $d = [IO.Path]::Combine($k, 'vyr_launcher\run'); $f = [IO.Path]::Combine($d, 'result.json'); $g = [IO.Path]::Combine($d, 'action.log'); function L($t) { [string][char]39 + ($t -replace '[\u0027\u2018\u2019\u201A\u201B]', '$0$0') + [char]39 }; $c = 'try { $vyrKitScript = [scriptblock]::Create([IO.File]::ReadAllText(' + (L $s) + ', [Text.Encoding]::Default)) } catch { exit 1 }; & $vyrKitScript -Action install -Kit ' + (L $k) + ' -RunDir ' + (L $d) + '; exit $LASTEXITCODE'; $i = New-Object Diagnostics.ProcessStartInfo; $i.FileName = [Diagnostics.Process]::GetCurrentProcess().MainModule.FileName; $i.Arguments = '-NoProfile -NonInteractive -ExecutionPolicy Bypass -Command ' + [char]34 + $c + [char]34; $i.UseShellExecute = $false; $n = 0L; if (Test-Path -LiteralPath $g) { $n = (Get-Item -LiteralPath $g).Length }; $show = { if (Test-Path -LiteralPath $g) { try { $x = [IO.File]::Open($g, 'Open', 'Read', 'ReadWrite, Delete'); if ($x.Length -lt $n) { $n = 0L }; $x.Position = $n; $r = New-Object IO.StreamReader($x); Write-Host -NoNewline $r.ReadToEnd(); $n = $x.Length; $r.Dispose() } catch { } } }; $t = [DateTime]::UtcNow.AddSeconds(-2); $p = [Diagnostics.Process]::Start($i); while (-not $p.WaitForExit(250)) { . $show }; . $show; $code = $p.ExitCode; Write-Host ''; if ((Test-Path -LiteralPath $f) -and (Get-Item -LiteralPath $f).LastWriteTimeUtc -ge $t) { $o = [IO.File]::ReadAllText($f) | ConvertFrom-Json; Write-Host $o.message; if ($o.why) { Write-Host $o.why } } else { Write-Host ('The script ended with exit code ' + $code + ' and wrote no result.') }; exit $code } catch { Write-Host $_.Exception.Message; exit 1 }"
if not "%errorlevel%"=="0" (
    echo.
    echo The install did not complete. Nothing of it was left half done.
) else (
    echo.
    echo The kit is installed.
)

:end
echo.
pause
endlocal

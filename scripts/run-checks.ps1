# The kit's checks on a Windows PC, from vyr-checks.zip unpacked into any folder: the unit test
# programs (unit\*_unit_tests.exe) and the kit script's Pester suite (tests\script, with the
# Pester in pester\) in this PowerShell, then one verdict line. On Windows:
#   powershell.exe -NoProfile -ExecutionPolicy Bypass -File run-checks.ps1
# -PesterFilter TEXT runs only the Pester tests whose full name holds TEXT. Elsewhere (the
# project's own test command) the unit test programs run under Wine.
param([string]$PesterFilter = '')

Set-StrictMode -Version 2.0
$ErrorActionPreference = 'Stop'
$here = $PSScriptRoot
$onWindows = $env:OS -eq 'Windows_NT'
$problems = New-Object 'System.Collections.Generic.List[string]'

if ($onWindows) {
    # Files unzipped from a download carry the mark of the web; .NET Framework refuses to load
    # Pester's assembly from such a file, and Windows may ask before each program.
    Unblock-File -LiteralPath ([System.IO.Directory]::GetFiles($here, '*', 'AllDirectories'))
}

$programs = @([System.IO.Directory]::GetFiles([System.IO.Path]::Combine($here, 'unit'), '*_unit_tests.exe') | Sort-Object)
$unitPassed = 0
foreach ($program in $programs) {
    $name = [System.IO.Path]::GetFileNameWithoutExtension($program)
    $runner = $program
    $arguments = @('--gtest_brief=1')
    if (-not $onWindows) {
        $runner = 'wine'
        $arguments = @($program) + $arguments
    }
    & $runner @arguments
    if ($LASTEXITCODE -eq 0) { $unitPassed++ } else { $problems.Add("$name exited with $LASTEXITCODE") }
}
if ($programs.Count -eq 0) { $problems.Add('no unit test programs in unit') }

$pester = 'Pester: did not run'
try {
    Import-Module ([System.IO.Path]::Combine($here, 'pester', 'Pester.psd1')) -Force
    $configuration = New-PesterConfiguration
    $configuration.Run.Path = [System.IO.Path]::Combine($here, 'tests', 'script')
    $configuration.Run.PassThru = $true
    $configuration.Output.Verbosity = 'Detailed'
    if ($PesterFilter -ne '') { $configuration.Filter.FullName = "*$PesterFilter*" }
    $run = Invoke-Pester -Configuration $configuration
    $pester = "Pester: $($run.PassedCount) passed, $($run.FailedCount) failed, $($run.SkippedCount) skipped"
    if ($run.Result -ne 'Passed') { $problems.Add('the Pester suite failed') }
    if ($run.PassedCount -eq 0) { $problems.Add('no Pester test passed') }
} catch {
    $problems.Add("Pester could not run: $($_.Exception.Message)")
}

$verdict = 'PASS'
if ($problems.Count -gt 0) { $verdict = 'FAIL (' + ($problems -join '; ') + ')' }
"checks: $verdict - unit test programs: $unitPassed of $($programs.Count) passed; $pester; PowerShell $($PSVersionTable.PSVersion) $($PSVersionTable.PSEdition)"
if ($problems.Count -gt 0) { exit 1 }
exit 0

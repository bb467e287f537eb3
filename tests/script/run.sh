#!/usr/bin/env bash
# The kit script's Pester tests (tests/script/*.Tests.ps1) in PowerShell 7, which
# scripts/setup_powershell.sh installs with Pester when they are missing.
#   bash tests/script/run.sh [PESTER_FILTER]     e.g. bash tests/script/run.sh '*repairs*'
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
paths="$(bash "$root/scripts/setup_powershell.sh" --paths)"
export VYR_PESTER="$(sed -n 's/^pester //p' <<<"$paths")"
export VYR_TESTS="$here"
export VYR_FILTER="${1:-}"
pwsh_dll="$(sed -n 's/^pwsh //p' <<<"$paths")"
cd "$here"
exec dotnet "$pwsh_dll" -NoProfile -NonInteractive -Command '
    $ErrorActionPreference = "Stop"
    Import-Module $env:VYR_PESTER
    $configuration = New-PesterConfiguration
    $configuration.Run.Path = $env:VYR_TESTS
    $configuration.Run.PassThru = $true
    $configuration.Output.Verbosity = "Detailed"
    if ($env:VYR_FILTER -ne "") { $configuration.Filter.FullName = "*$($env:VYR_FILTER)*" }
    $run = Invoke-Pester -Configuration $configuration
    "script tests: $($run.PassedCount) passed, $($run.FailedCount) failed, $($run.SkippedCount) skipped"
    if ($run.Result -ne "Passed") { exit 1 }'

# actions.ps1 - the kit's action script, reference version.
#
# THIS REFERENCE SCRIPT ONLY REPORTS. It changes nothing on the machine: it installs,
# repairs and removes nothing, and never touches the game, the hosts file or the registry.
# The only files it writes are its own progress log (action.log) and result (result.json)
# in the run folder the launcher names. Kit makers replace it with their own script that
# keeps the same parameters, outputs and exit codes.
#
# The launcher runs it in two ways:
#   -Action status [-Kit K] [-Game G] [-HostsFile H] [-KeepSha S]
#       prints one JSON object on standard output (no "{" may come before it)
#   -Action install|repair|uninstall|rookmere -Kit K -Game G -RunDir R [-HostsFile H]
#       [-KeepSha S] [-RookmereDir D | -RookmereZip Z | -RookmereDownload]
#       appends progress lines to R\action.log, writes R\result.json at the end and exits
#       with 0 when the action succeeded, another code when not.
# A -HostsFile means sandbox mode: a scratch hosts file stands for the system's.
param(
    [string]$Action = "",
    [string]$Kit = "",
    [string]$Game = "",
    [string]$HostsFile = "",
    [string]$KeepSha = "",
    [string]$RunDir = "",
    [string]$RookmereDir = "",
    [string]$RookmereZip = "",
    [switch]$RookmereDownload
)

$ErrorActionPreference = "Stop"
$utf8 = New-Object System.Text.UTF8Encoding $false
$scriptVersion = "reference 1.0"

function Test-Folder([string]$path) {
    return $path -ne "" -and (Test-Path -LiteralPath $path -PathType Container)
}

function Test-File([string]$path) {
    return $path -ne "" -and (Test-Path -LiteralPath $path -PathType Leaf)
}

# What the script would look at; reported by status and by every action.
function Get-Findings {
    $kitFiles = @("launcher\actions.ps1", "launcher\web\index.html", "overlay\overlay_host.exe",
                  "overlay\WebView2Loader.dll", "overlay\web\index.html")
    $missing = @($kitFiles | Where-Object { -not (Test-File (Join-Path $Kit $_)) })
    return [ordered]@{
        kit          = $Kit
        kitComplete  = ($Kit -ne "") -and ($missing.Count -eq 0)
        kitMissing   = $missing
        game         = $Game
        gameFound    = (Test-Folder $Game) -and (Test-Folder (Join-Path $Game "package\patch_npk"))
        sandbox      = $HostsFile -ne ""
        hostsFile    = $HostsFile
        hostsFound   = Test-File $HostsFile
        keepSha      = $KeepSha
    }
}

if ($Action -eq "status") {
    $status = Get-Findings
    $status.script = $scriptVersion
    $status.installed = $false
    $status.note = "reference script: it reports and changes nothing"
    # One object, compressed to one line, nothing with a brace before it.
    [Console]::Out.Write(($status | ConvertTo-Json -Compress -Depth 4))
    [Console]::Out.Write("`r`n")
    exit 0
}

if ($RunDir -eq "") {
    [Console]::Error.WriteLine("actions.ps1: -RunDir is needed for the action '$Action'")
    exit 2
}
New-Item -ItemType Directory -Force -Path $RunDir | Out-Null
$logPath = Join-Path $RunDir "action.log"
$resultPath = Join-Path $RunDir "result.json"
[System.IO.File]::WriteAllText($logPath, "", $utf8)

function Add-LogLine([string]$text) {
    [System.IO.File]::AppendAllText($logPath, "$text`r`n", $utf8)
}

function Write-Result($result) {
    [System.IO.File]::WriteAllText($resultPath, ($result | ConvertTo-Json -Depth 4), $utf8)
}

$known = @("install", "repair", "uninstall", "rookmere")
if ($known -notcontains $Action) {
    Add-LogLine "unknown action '$Action' - nothing done"
    Write-Result ([ordered]@{ ok = $false; action = $Action; why = "unknown action" })
    exit 2
}

$findings = Get-Findings
Add-LogLine "$Action - reference script ${scriptVersion}: only reports, changes nothing"
Add-LogLine "kit: $Kit ($(if ($findings.kitComplete) { 'complete' } else { 'missing ' + ($findings.kitMissing -join ', ') }))"
Add-LogLine "game: $Game ($(if ($findings.gameFound) { 'found' } else { 'not found' }))"
if ($findings.sandbox) {
    Add-LogLine "sandbox: scratch hosts file $HostsFile ($(if ($findings.hostsFound) { 'present' } else { 'absent' }))"
}
if ($KeepSha -ne "") {
    Add-LogLine "keep: files with SHA-256 $KeepSha would be kept"
}

$source = ""
if ($Action -eq "rookmere") {
    if ($RookmereDownload) { $source = "download" }
    elseif (Test-Folder $RookmereDir) { $source = $RookmereDir }
    elseif (Test-File $RookmereZip) { $source = $RookmereZip }
    Add-LogLine "Rookmere kit: $(if ($source -ne '') { $source } else { 'none chosen' })"
}

$steps = switch ($Action) {
    "install"   { @("copy the kit's files into the game folder", "point the game's hosts at the kit's server") }
    "repair"    { @("check every kit file against its hash", "copy back what differs") }
    "uninstall" { @("remove the kit's files from the game folder", "restore the hosts file") }
    "rookmere"  { @("unpack the Rookmere kit into the game folder") }
}
foreach ($step in $steps) {
    Add-LogLine "would $step (skipped)"
}

$ok = $findings.gameFound -and ($Action -ne "rookmere" -or $source -ne "")
$why = if (-not $findings.gameFound) { "the game folder was not found" }
       elseif (-not $ok) { "no Rookmere kit was chosen" } else { "" }
Add-LogLine "$Action - $(if ($ok) { 'done, nothing was changed' } else { 'failed: ' + $why })"
$result = [ordered]@{
    ok       = $ok
    action   = $Action
    changed  = $false
    message  = "reference script: nothing was changed"
    steps    = $steps
    findings = $findings
}
if (-not $ok) { $result.why = $why }
Write-Result $result
if ($ok) { exit 0 } else { exit 1 }

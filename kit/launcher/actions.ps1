# actions.ps1 - the kit's action script (reference version).
#
# It installs the kit's game-side files into the game folder, repairs and removes them, installs
# the Rookmere kit and reports the state of all this. Everything it changes it can undo:
#   - every game file it replaces is first moved to <game>\vyr_launcher\backup\;
#   - the kit's host names go into one marked block of the hosts file (the scratch file given
#     with -HostsFile in sandbox mode, the system's otherwise); nothing outside it changes;
#   - what it did is recorded in <game>\vyr_launcher\install.json, and uninstall reverses it so
#     that the game folder and the hosts file are byte for byte as before.
# A run either does all of its work and exits 0, or changes nothing: a failure at any step (or a
# result.json that cannot be written) rolls back what it had changed, still writes its last log
# line and, where it can, result.json (ok false and why), and exits non-zero.
#
# It runs elevated from the game folder, which other programs of the player's can change, so:
#   - it never writes, moves, truncates or deletes through a junction or symbolic link below the
#     game folder, creates its temporary files new, and walks folders without following links;
#   - it loads modules only from PowerShell's own folder and calls ipconfig.exe by its path;
#   - one run at a time holds <game>\vyr_launcher\run\action.lock; each change is written to
#     <game>\vyr_launcher\journal.json before it is made, and the next run rolls back what a
#     run that was killed half-way left behind before it does its own work.
#
# The launcher runs it in two ways:
#   -Action status [-Kit K] [-Game G] [-HostsFile H] [-KeepSha S]
#       prints one JSON object (UTF-8) on standard output, nothing with a brace before it
#   -Action install|repair|uninstall|rookmere -Kit K -Game G -RunDir R [-HostsFile H]
#       [-KeepSha S] [-RookmereDir D | -RookmereZip Z | -RookmereDownload]
#       appends progress lines to R\action.log ("plan: N steps, B bytes to write", then
#       "step K/N: ..."), writes R\result.json at the end and exits with 0 on success, 1 on
#       failure (rolled back), 2 on bad arguments.
# Without -Kit the kit is the folder above this script's; without -Game the game folder is the
# kit folder (the kit is unzipped into the game folder).
#
# It must run in Windows PowerShell 5.1: no ternary operator, no ?? or ?., no && or || between
# pipelines, no ForEach-Object -Parallel, no .NET Core-only methods. Paths are built with
# [IO.Path]::Combine so that it runs in PowerShell 7 on Linux too (its tests do). Keep this file
# ASCII (or UTF-8 with a byte order mark): 5.1 reads a file without one in the ANSI code page.
param(
    [string]$Action = '',
    [string]$Kit = '',
    [string]$Game = '',
    [string]$HostsFile = '',
    [string]$KeepSha = '',
    [string]$RunDir = '',
    [string]$RookmereDir = '',
    [string]$RookmereZip = '',
    [switch]$RookmereDownload,
    [Parameter(ValueFromRemainingArguments = $true)]
    [object[]]$Unknown
)

# Modules come from PowerShell's own folder only ($PSHOME\Modules: System32 for Windows
# PowerShell), never from the player's Documents, which come first otherwise: a command this
# elevated run autoloads (New-Object, ConvertTo-Json, ...) cannot be one the player's programs
# put there. First, before any command is used.
$env:PSModulePath = [System.IO.Path]::Combine($PSHOME, 'Modules')

$ErrorActionPreference = 'Stop'
Set-StrictMode -Version 2.0

$ScriptVersion = '1.0'
$Utf8 = New-Object System.Text.UTF8Encoding $false
# The hosts file is kept as bytes: Latin-1 maps each byte to one character and back unchanged.
$Latin1 = [System.Text.Encoding]::GetEncoding(28591)
$Invariant = [System.Globalization.CultureInfo]::InvariantCulture
$OnWindows = [System.IO.Path]::DirectorySeparatorChar -eq '\'
# Readers let others read, write and delete, so that a status query never stops a run's move.
$ReadShare = [System.IO.FileShare]'ReadWrite, Delete'
$RecordFolderName = 'vyr_launcher'
$script:ExitCode = 1
$script:LogPath = ''
$script:PlainWhy = ''
$script:StartWhy = ''
$script:Doing = ''
$script:Touching = ''
$script:Undo = New-Object System.Collections.ArrayList
$script:UndoDir = ''
$script:AsideCount = 0
$script:Journal = $null
$script:JournalPath = ''
$script:Lock = $null
$script:StepTotal = 0
$script:StepCount = 0
$script:PlannedBytes = [int64]0
$script:Steps = New-Object 'System.Collections.Generic.List[string]'
$script:Warnings = New-Object 'System.Collections.Generic.List[string]'
$script:Restored = New-Object 'System.Collections.Generic.List[string]'
$script:Scratch = New-Object 'System.Collections.Generic.List[string]'
$script:HostsChanged = $false

# ---- small helpers ----------------------------------------------------------------------------

# A why ends with exactly one period; .NET's messages bring their own.
function Format-Why([string]$text) {
    $text = $text.Trim()
    while ($text.EndsWith('..')) { $text = $text.Substring(0, $text.Length - 1) }
    if (-not $text.EndsWith('.')) { $text += '.' }
    return $text
}

# A failure the player can act on: its text is the "why" as it stands.
function Stop-Action([string]$why) {
    $script:PlainWhy = Format-Why $why
    throw $script:PlainWhy
}

# The exception of an error without PowerShell's "Exception calling ..." wrapping.
function Get-InnerException($record) {
    $exception = $record.Exception
    while ($exception -is [System.Management.Automation.MethodInvocationException] -and
           $null -ne $exception.InnerException) {
        $exception = $exception.InnerException
    }
    return $exception
}

function Get-ErrorText($record) { return (Get-InnerException $record).Message }

# Another program holds the file without sharing it: ERROR_SHARING_VIOLATION (32) or
# ERROR_LOCK_VIOLATION (33) on Windows, or ERROR_UNABLE_TO_REMOVE_REPLACED (1175), which
# ReplaceFile gives when the file it replaces cannot be deleted (both files keep their names);
# outside Windows .NET's advisory lock gives EWOULDBLOCK (11).
function Test-InUse($exception) {
    if ($exception -isnot [System.IO.IOException]) { return $false }
    if ($OnWindows) {
        $code = $exception.HResult -band 0xFFFF
        return ($code -eq 32 -or $code -eq 33 -or $code -eq 1175)
    }
    return ($exception.HResult -eq 11)
}

# A path as the player reads it: below the game folder relative, with "/".
function Get-ShownPath([string]$path) {
    if (Test-Below $path) { return $path.Substring($Game.TrimEnd('\', '/').Length + 1).Replace('\', '/') }
    return $path
}

function Get-Why($record) {
    if ($script:PlainWhy -ne '') { return $script:PlainWhy }
    $exception = Get-InnerException $record
    $text = $exception.Message
    if ((Test-InUse $exception) -and $script:Touching -ne '') {
        if ($script:Touching -eq (Get-HostsPath)) { $text = "$($script:Touching) is in use by another program: close it, then try again" }
        else { $text = "$(Get-ShownPath $script:Touching) is in use: close Cindergale, then try again" }
    }
    if ($script:Doing -ne '') { $text = "$($script:Doing) failed: $text" }
    return (Format-Why $text)
}

# A file in use is tried again a few times, waiting longer each time (a virus scanner or an
# editor holds it for a moment); true when the caller should try again.
function Test-Retry($record, [int]$try) {
    if ($try -ge 5 -or -not (Test-InUse (Get-InnerException $record))) { return $false }
    Start-Sleep -Milliseconds (250 * [int][System.Math]::Pow(2, $try - 1))
    return $true
}

function Get-Property($object, [string]$name, $default) {
    if ($null -ne $object -and $null -ne $object.PSObject.Properties[$name]) {
        return $object.$name
    }
    return $default
}

function Get-FullPath([string]$path) {
    if ($path -eq '') { return '' }
    $full = $ExecutionContext.SessionState.Path.GetUnresolvedProviderPathFromPSPath($path)
    return [System.IO.Path]::GetFullPath($full)
}

# A manifest path ("package/config/x.ini") below a root folder, built for this system.
function Join-Relative([string]$root, [string]$relative) {
    $path = $root
    foreach ($part in $relative.Split('/')) { $path = [System.IO.Path]::Combine($path, $part) }
    return $path
}

function Test-RelativePath([string]$relative) {
    if ($relative -eq '' -or $relative.StartsWith('/') -or $relative.Contains('\') -or
        $relative.Contains(':')) { return $false }
    foreach ($part in $relative.Split('/')) {
        if ($part -eq '' -or $part -eq '.' -or $part -eq '..') { return $false }
    }
    return $relative.Split('/')[0] -ne $RecordFolderName
}

# The whole file, opened so that others may still read, write and delete it.
function Read-Bytes([string]$path) {
    $stream = New-Object System.IO.FileStream -ArgumentList $path, ([System.IO.FileMode]::Open), ([System.IO.FileAccess]::Read), $ReadShare
    try {
        $buffer = New-Object System.IO.MemoryStream
        $stream.CopyTo($buffer)
        return , $buffer.ToArray()
    } finally {
        $stream.Dispose()
    }
}

function Get-Sha256([string]$path) {
    $sha = [System.Security.Cryptography.SHA256]::Create()
    $stream = New-Object System.IO.FileStream -ArgumentList $path, ([System.IO.FileMode]::Open), ([System.IO.FileAccess]::Read), $ReadShare
    try { $hash = $sha.ComputeHash($stream) } finally { $stream.Dispose(); $sha.Dispose() }
    return ([System.BitConverter]::ToString($hash) -replace '-', '').ToLowerInvariant()
}

function Read-JsonFile([string]$path) {
    return ($Utf8.GetString((Read-Bytes $path)).TrimStart([char]0xFEFF) | ConvertFrom-Json)
}

function ConvertTo-JsonText($value) {
    return (ConvertTo-Json -InputObject $value -Depth 8)
}

function Get-Stamp([string]$format) { return [DateTime]::UtcNow.ToString($format, $Invariant) }

function Write-Log([string]$text) {
    if ($script:LogPath -eq '' -or (Test-Link $script:LogPath)) { return }
    try {
        $bytes = $Utf8.GetBytes($text + "`r`n")
        $stream = New-Object System.IO.FileStream -ArgumentList $script:LogPath, ([System.IO.FileMode]::Append), ([System.IO.FileAccess]::Write), $ReadShare
        try { $stream.Write($bytes, 0, $bytes.Length) } finally { $stream.Dispose() }
    } catch { }
}

# The run's plan, once, before it changes anything: the page counts its steps.
function Set-Plan([int]$steps, [int64]$bytes) {
    $script:StepTotal = $steps
    $script:PlannedBytes = $bytes
    Write-Log "plan: $steps steps, $bytes bytes to write"
}

# A planned step done, for the log and the result's "steps".
function Add-Step([string]$text) {
    $script:StepCount++
    $script:Steps.Add($text)
    Write-Log "step $($script:StepCount)/$($script:StepTotal): $text"
}

# Something done outside the plan (a download, a rollback).
function Add-Note([string]$text) {
    $script:Steps.Add($text)
    Write-Log $text
}

function Add-Warning([string]$text) {
    $script:Warnings.Add($text)
    Write-Log "warning: $text"
}

function Remove-Quietly([string]$path) {
    try { if ([System.IO.File]::Exists($path)) { [System.IO.File]::Delete($path) } } catch { }
}

# ---- links ------------------------------------------------------------------------------------
# Junctions, symbolic links and mount points carry the reparse point attribute. It is the entry's
# own: reading it does not follow the link (lstat outside Windows, where a symbolic link has it too).

function Test-Link([string]$path) {
    try { $attributes = [System.IO.File]::GetAttributes($path) } catch { return $false }
    return (($attributes -band [System.IO.FileAttributes]::ReparsePoint) -ne 0)
}

function Test-Below([string]$path) {
    $root = $Game.TrimEnd('\', '/') + [System.IO.Path]::DirectorySeparatorChar
    return $path.StartsWith($root, [System.StringComparison]::OrdinalIgnoreCase)
}

# Right before a change: the path and every folder from the game folder down to it are no link.
function Assert-NoLink([string]$path) {
    $current = $path
    while ($null -ne $current -and ($current -eq $path -or (Test-Below $current))) {
        if (Test-Link $current) {
            throw (New-Object System.IO.IOException "$current is a link (junction or symbolic link): the kit does not write through links.")
        }
        $current = [System.IO.Path]::GetDirectoryName($current)
    }
}

# Deletes a folder of the kit's own without following a link in it: a link goes, never its target.
function Remove-Tree([string]$path) {
    if (Test-Link $path) {
        if (([System.IO.File]::GetAttributes($path) -band [System.IO.FileAttributes]::Directory) -ne 0) { [System.IO.Directory]::Delete($path) }
        else { [System.IO.File]::Delete($path) }
    } elseif ([System.IO.Directory]::Exists($path)) {
        foreach ($entry in [System.IO.Directory]::GetFileSystemEntries($path)) { Remove-Tree $entry }
        [System.IO.Directory]::Delete($path)
    } elseif ([System.IO.File]::Exists($path)) {
        [System.IO.File]::SetAttributes($path, [System.IO.FileAttributes]::Normal)
        [System.IO.File]::Delete($path)
    }
}

# The folders below a folder, deepest first; links are not entered.
function Get-FoldersBelow([string]$folder) {
    $found = New-Object 'System.Collections.Generic.List[string]'
    foreach ($sub in [System.IO.Directory]::GetDirectories($folder)) {
        if (Test-Link $sub) { continue }
        foreach ($deeper in (Get-FoldersBelow $sub)) { $found.Add($deeper) }
        $found.Add($sub)
    }
    return , $found
}

# ---- writing whole files ----------------------------------------------------------------------

function Remove-Temp([string]$path) {
    $temp = $path + '.vyr-new'
    if ([System.IO.File]::Exists($temp) -or (Test-Link $temp)) { [System.IO.File]::Delete($temp) }
}

# Writes a file whole: a new temporary file beside it (created new, never opened when it exists),
# then renamed over it. ReplaceFile needs write access to the file it replaces, so a read-only
# attribute is cleared for the rename; the file then gets $attributes (or its own) back.
function Save-Whole([string]$path, [byte[]]$bytes, $attributes) {
    $temp = $path + '.vyr-new'
    Assert-NoLink $path
    Remove-Temp $path
    $cleared = $null
    try {
        $stream = New-Object System.IO.FileStream -ArgumentList $temp, ([System.IO.FileMode]::CreateNew), ([System.IO.FileAccess]::Write), ([System.IO.FileShare]::None)
        try { $stream.Write($bytes, 0, $bytes.Length); $stream.Flush($true) } finally { $stream.Dispose() }
        if ([System.IO.File]::Exists($path)) {
            $current = [System.IO.File]::GetAttributes($path)
            if (($current -band [System.IO.FileAttributes]::ReadOnly) -ne 0) {
                $cleared = $current
                $plain = $current -band (-bnot [System.IO.FileAttributes]::ReadOnly)
                if ([int]$plain -eq 0) { $plain = [System.IO.FileAttributes]::Normal }
                [System.IO.File]::SetAttributes($path, $plain)
                if ($null -eq $attributes) { $attributes = [int]$current }
            }
            [System.IO.File]::Replace($temp, $path, [NullString]::Value)
        } else {
            [System.IO.File]::Move($temp, $path)
        }
        if ($null -ne $attributes) { [System.IO.File]::SetAttributes($path, [System.IO.FileAttributes][int]$attributes) }
    } catch {
        Remove-Quietly $temp
        if ($null -ne $cleared) { try { [System.IO.File]::SetAttributes($path, $cleared) } catch { } }
        throw
    }
}

# ---- changes that can be undone ---------------------------------------------------------------
# Every change of a run goes through these functions. Each first writes how to undo it to the
# journal on disk (flushed) and to the run's list, then makes it; the undo looks at what is there,
# so that it is right whether the change was made or not. A failed run undoes the list in reverse;
# the next run undoes the journal of a run that was killed; a run that succeeds deletes the
# journal and what it moved aside.

function Get-JournalPath { return [System.IO.Path]::Combine($Game, $RecordFolderName, 'journal.json') }

function Write-Journal($entry) {
    $bytes = $Utf8.GetBytes((ConvertTo-Json -InputObject $entry -Depth 3 -Compress) + "`n")
    $script:Journal.Write($bytes, 0, $bytes.Length)
    $script:Journal.Flush($true)
}

function Open-Journal {
    $path = Get-JournalPath
    Assert-NoLink $path
    $script:Journal = New-Object System.IO.FileStream -ArgumentList $path, ([System.IO.FileMode]::CreateNew), ([System.IO.FileAccess]::Write), $ReadShare
    $script:JournalPath = $path
    Write-Journal @{ action = $Action; started = (Get-Stamp 'yyyy-MM-dd HH:mm:ss'); undoDir = $script:UndoDir }
}

function Close-Journal {
    if ($null -ne $script:Journal) { $script:Journal.Dispose(); $script:Journal = $null }
}

function Remove-Journal {
    Close-Journal
    if ($script:JournalPath -ne '') {
        [System.IO.File]::Delete($script:JournalPath)
        $script:JournalPath = ''
    }
}

function Add-Undo([string]$kind, [string]$path, $data, $attributes) {
    $entry = @{ kind = $kind; path = $path; data = $data; attributes = $attributes }
    Write-Journal $entry
    [void]$script:Undo.Add($entry)
}

function New-FolderTracked([string]$path) {
    if ([System.IO.Directory]::Exists($path)) { return }
    $parent = [System.IO.Path]::GetDirectoryName($path)
    if ($null -ne $parent -and $parent -ne '') { New-FolderTracked $parent }
    Assert-NoLink $path
    Add-Undo 'folder' $path $null $null
    [void][System.IO.Directory]::CreateDirectory($path)
}

function Remove-FolderTracked([string]$path) {
    Assert-NoLink $path
    Add-Undo 'rmdir' $path $null $null
    [System.IO.Directory]::Delete($path)
}

function Move-Tracked([string]$from, [string]$to) {
    $script:Touching = $from
    Assert-NoLink $from
    Assert-NoLink $to
    if ([System.IO.File]::Exists($to) -or [System.IO.Directory]::Exists($to)) {
        throw (New-Object System.IO.IOException "$(Get-ShownPath $to) is in the way")
    }
    New-FolderTracked ([System.IO.Path]::GetDirectoryName($to))
    Add-Undo 'move' $to $from $null
    for ($try = 1; ; $try++) {
        try {
            [System.IO.File]::Move($from, $to)
            break
        } catch {
            # .NET outside Windows moves by a hard link and an unlink; when the unlink is refused
            # the link stays behind.
            if ([System.IO.File]::Exists($from) -and [System.IO.File]::Exists($to)) { Remove-Quietly $to }
            if (-not (Test-Retry $_ $try)) { throw }
        }
    }
}

# Takes a file out of the way; its content comes back if the run fails.
function Move-Aside([string]$path) {
    $script:AsideCount++
    Move-Tracked $path ([System.IO.Path]::Combine($script:UndoDir, [string]$script:AsideCount))
}

# Copies a file to a place that is free: whole, under a new temporary name first.
function Copy-Whole([string]$from, [string]$to) {
    $script:Touching = $to
    Assert-NoLink $to
    if ([System.IO.File]::Exists($to)) { throw (New-Object System.IO.IOException "$(Get-ShownPath $to) is in the way") }
    New-FolderTracked ([System.IO.Path]::GetDirectoryName($to))
    Add-Undo 'file' $to $null $null
    $temp = $to + '.vyr-new'
    for ($try = 1; ; $try++) {
        try {
            Remove-Temp $to
            $source = New-Object System.IO.FileStream -ArgumentList $from, ([System.IO.FileMode]::Open), ([System.IO.FileAccess]::Read), $ReadShare
            try {
                $target = New-Object System.IO.FileStream -ArgumentList $temp, ([System.IO.FileMode]::CreateNew), ([System.IO.FileAccess]::Write), ([System.IO.FileShare]::None)
                try { $source.CopyTo($target); $target.Flush($true) } finally { $target.Dispose() }
            } finally {
                $source.Dispose()
            }
            [System.IO.File]::Move($temp, $to)
            break
        } catch {
            Remove-Quietly $temp
            if (-not (Test-Retry $_ $try)) { throw }
        }
    }
}

# Writes a small file whole; its old bytes (given, or read here) and attributes go to the journal.
function Set-BytesTracked([string]$path, [byte[]]$bytes, $old) {
    $script:Touching = $path
    Assert-NoLink $path
    $attributes = $null
    if ([System.IO.File]::Exists($path)) {
        if ($null -eq $old) { $old = Read-Bytes $path }
        $attributes = [int][System.IO.File]::GetAttributes($path)
    } else {
        $old = $null
    }
    New-FolderTracked ([System.IO.Path]::GetDirectoryName($path))
    $data = $null
    if ($null -ne $old) { $data = [System.Convert]::ToBase64String([byte[]]$old) }
    Add-Undo 'bytes' $path $data $attributes
    for ($try = 1; ; $try++) {
        try { Save-Whole $path $bytes $attributes; break } catch { if (-not (Test-Retry $_ $try)) { throw } }
    }
}

function Undo-Entry($entry) {
    $path = [string]$entry.path
    $script:Touching = $path
    Assert-NoLink $path
    switch ([string]$entry.kind) {
        'folder' { if ([System.IO.Directory]::Exists($path)) { [System.IO.Directory]::Delete($path) } }
        'rmdir' { if (-not [System.IO.Directory]::Exists($path)) { [void][System.IO.Directory]::CreateDirectory($path) } }
        'file' {
            Remove-Temp $path
            if ([System.IO.File]::Exists($path)) { [System.IO.File]::Delete($path) }
        }
        'move' {
            $from = [string]$entry.data
            Assert-NoLink $from
            if ([System.IO.File]::Exists($path)) {
                # Both there: the move was stopped between its link and its unlink.
                if ([System.IO.File]::Exists($from)) { [System.IO.File]::Delete($path) }
                else { [System.IO.File]::Move($path, $from) }
            } elseif (-not [System.IO.File]::Exists($from)) {
                throw (New-Object System.IO.IOException "$(Get-ShownPath $from) is gone, and so is the copy in $(Get-ShownPath $path)")
            }
        }
        'bytes' {
            Remove-Temp $path
            if ($null -eq $entry.data) {
                if ([System.IO.File]::Exists($path)) {
                    [System.IO.File]::SetAttributes($path, [System.IO.FileAttributes]::Normal)
                    [System.IO.File]::Delete($path)
                }
            } else {
                Save-Whole $path ([System.Convert]::FromBase64String([string]$entry.data)) $entry.attributes
            }
        }
        default { throw (New-Object System.IO.IOException "the journal holds a change it does not know ('$($entry.kind)')") }
    }
}

function Undo-Changes {
    $undone = 0
    for ($i = $script:Undo.Count - 1; $i -ge 0; $i--) {
        $entry = $script:Undo[$i]
        try {
            Undo-Entry $entry
            $undone++
        } catch {
            Add-Warning ("could not undo a change of $($entry.path): " + (Get-ErrorText $_))
        }
    }
    $script:Undo.Clear()
    return $undone
}

# Whether a path named in a journal is one a run may change: below the game folder, or the hosts
# file this run uses. The journal lies where other programs can write.
function Test-JournalPath([string]$path) {
    if ($path -eq '') { return $false }
    try { if ([System.IO.Path]::GetFullPath($path) -ne $path) { return $false } } catch { return $false }
    return ((Test-Below $path) -or $path -eq (Get-HostsPath))
}

# The first line of the journal: "install of 2026-12-08 22:10:03", or '' when there is none.
function Get-JournalTitle {
    $path = Get-JournalPath
    if (-not [System.IO.File]::Exists($path)) { return '' }
    $what = 'a run'
    try {
        $header = $Utf8.GetString((Read-Bytes $path)).Split("`n")[0] | ConvertFrom-Json
        $what = "$(Get-Property $header 'action' 'a run') of $(Get-Property $header 'started' '')".Trim()
    } catch { }
    return $what
}

# Rolls back what a killed run left, as its journal says, before this run does anything.
function Undo-Interrupted {
    $path = Get-JournalPath
    if (-not [System.IO.File]::Exists($path)) {
        Remove-StaleUndo
        return
    }
    Assert-NoLink $path
    $what = Get-JournalTitle
    $lines = @($Utf8.GetString((Read-Bytes $path)).Split("`n") | Where-Object { $_.Trim() -ne '' })
    $entries = New-Object System.Collections.ArrayList
    $undoDir = ''
    for ($i = 0; $i -lt $lines.Count; $i++) {
        # The last line of a killed run may be cut short; it was not acted on.
        try { $item = $lines[$i] | ConvertFrom-Json } catch { continue }
        if ([string](Get-Property $item 'kind' '') -eq '') { $undoDir = [string](Get-Property $item 'undoDir' ''); continue }
        [void]$entries.Add(@{
            kind = [string](Get-Property $item 'kind' '')
            path = [string](Get-Property $item 'path' '')
            data = (Get-Property $item 'data' $null)
            attributes = (Get-Property $item 'attributes' $null)
        })
    }
    $undone = 0
    for ($i = $entries.Count - 1; $i -ge 0; $i--) {
        $entry = $entries[$i]
        $paths = @($entry.path)
        if ($entry.kind -eq 'move') { $paths += [string]$entry.data }
        foreach ($one in $paths) {
            if (-not (Test-JournalPath $one)) {
                Stop-Action "the interrupted $what changed $one, which this run does not change: run it in the same mode (sandbox or not) as the interrupted one"
            }
        }
        try { Undo-Entry $entry } catch {
            Stop-Action ("the interrupted $what could not be rolled back: " + (Get-Why $_))
        }
        $undone++
    }
    if ($undoDir -ne '' -and (Test-JournalPath $undoDir) -and (Test-Below $undoDir)) {
        try { Assert-NoLink $undoDir; Remove-Tree $undoDir } catch { Add-Warning ("could not remove $undoDir`: " + (Get-ErrorText $_)) }
    }
    [System.IO.File]::Delete($path)
    Write-Log "interrupted run: $what rolled back, $undone changes undone"
}

# Files a finished run moved aside and was stopped before it removed: with no journal naming
# them, nothing will ever move them back.
function Remove-StaleUndo {
    $folder = [System.IO.Path]::Combine($Game, $RecordFolderName)
    if (-not [System.IO.Directory]::Exists($folder) -or (Test-Link $folder)) { return }
    foreach ($stale in [System.IO.Directory]::GetDirectories($folder, 'undo-*')) {
        try { Remove-Tree $stale } catch { Add-Warning ("could not remove $stale`: " + (Get-ErrorText $_)) }
    }
}

# The run is done: the journal goes first (from here on nothing is rolled back), then what the
# run had moved aside.
function Complete-Changes {
    Remove-Journal
    $script:Undo.Clear()
    if ($script:UndoDir -ne '' -and ([System.IO.Directory]::Exists($script:UndoDir) -or (Test-Link $script:UndoDir))) {
        try {
            Assert-NoLink $script:UndoDir
            Remove-Tree $script:UndoDir
        } catch {
            Add-Warning ("could not remove $($script:UndoDir): " + (Get-ErrorText $_))
        }
    }
}

# ---- one run at a time ------------------------------------------------------------------------

function Get-LockPath { return [System.IO.Path]::Combine($Game, $RecordFolderName, 'run', 'action.lock') }

# Holds the lock file without sharing it for the whole run; false when another run holds it.
# A status query opens it for a moment, so a busy answer is asked again a few times.
function Enter-RunLock {
    $path = Get-LockPath
    for ($try = 1; ; $try++) {
        Assert-NoLink $path
        try {
            $script:Lock = New-Object System.IO.FileStream -ArgumentList $path, ([System.IO.FileMode]::OpenOrCreate), ([System.IO.FileAccess]::ReadWrite), ([System.IO.FileShare]::None)
            return $true
        } catch {
            if (-not (Test-InUse (Get-InnerException $_))) { throw }
            if ($try -ge 8) { return $false }
            Start-Sleep -Milliseconds 100
        }
    }
}

# Whether a run holds the lock right now (for the status, which never takes it).
function Test-RunBusy {
    $path = Get-LockPath
    if (-not [System.IO.File]::Exists($path)) { return $false }
    try {
        $stream = New-Object System.IO.FileStream -ArgumentList $path, ([System.IO.FileMode]::Open), ([System.IO.FileAccess]::Read), $ReadShare
        $stream.Dispose()
        return $false
    } catch {
        return (Test-InUse (Get-InnerException $_))
    }
}

# ---- the kit, the game and the record ---------------------------------------------------------

# The file list of a manifest, each entry checked: @{ path; size; sha256 }.
function Read-FileList($manifest, [string]$what) {
    $list = New-Object 'System.Collections.Generic.List[object]'
    foreach ($item in @(Get-Property $manifest 'files' @())) {
        $path = [string](Get-Property $item 'path' '')
        $sha = [string](Get-Property $item 'sha256' '')
        $size = Get-Property $item 'size' $null
        if (-not (Test-RelativePath $path) -or $sha -notmatch '^[0-9a-fA-F]{64}$' -or
            $null -eq $size -or [int64]$size -lt 0) {
            Stop-Action "$what lists a file it cannot use: '$path'"
        }
        $list.Add(@{ path = $path; size = [int64]$size; sha256 = $sha.ToLowerInvariant() })
    }
    return , $list
}

function Read-Kit {
    $settingsPath = [System.IO.Path]::Combine($Kit, 'launcher', 'kit.json')
    $manifestPath = [System.IO.Path]::Combine($Kit, 'launcher', 'game_files.json')
    if (-not [System.IO.File]::Exists($settingsPath) -or -not [System.IO.File]::Exists($manifestPath)) {
        Stop-Action "the kit in $Kit is not complete (launcher\kit.json or launcher\game_files.json is missing): unzip the kit again"
    }
    try {
        $settings = Read-JsonFile $settingsPath
        $manifest = Read-JsonFile $manifestPath
    } catch {
        Stop-Action ("the kit's settings cannot be read: " + (Get-ErrorText $_))
    }
    $hosts = Get-Property $settings 'hosts' $null
    $address = [string](Get-Property $hosts 'address' '')
    $names = @(Get-Property $hosts 'names' @() | ForEach-Object { [string]$_ })
    $kitName = [string](Get-Property $settings 'name' 'VYR kit')
    # The name marks the kit's block in the hosts file, which is kept as bytes.
    if ($kitName -notmatch '^[ -~]+$') { Stop-Action "kit.json: the kit's name must be printable ASCII" }
    if ($address -notmatch '^[0-9A-Fa-f:.]+$') { Stop-Action "kit.json names no usable server address for the hosts file" }
    foreach ($name in $names) {
        if ($name -notmatch '^[A-Za-z0-9][A-Za-z0-9.-]*$') { Stop-Action "kit.json lists a host name it cannot use: '$name'" }
    }
    $title = [string](Get-Property $settings 'title' '')
    if ($title.Trim() -eq '') { $title = $kitName }
    return @{
        name = $kitName
        title = $title
        version = [string](Get-Property $settings 'version' '')
        address = $address
        names = $names
        download = [string](Get-Property $settings 'rookmereDownload' '')
        root = [System.IO.Path]::Combine($Kit, 'launcher', 'game')
        files = (Read-FileList $manifest 'launcher\game_files.json')
    }
}

# Refuses a source whose files are not what its manifest says.
function Test-Source($package) {
    foreach ($file in $package.files) {
        $path = Join-Relative $package.root $file.path
        $good = [System.IO.File]::Exists($path)
        if ($good) { $good = ((New-Object System.IO.FileInfo $path).Length -eq $file.size) }
        if ($good) { $good = ((Get-Sha256 $path) -eq $file.sha256) }
        if (-not $good) { Stop-Action "$($package.label) is damaged: $($file.path) is missing or not as its manifest says. $($package.advice)" }
    }
}

function Test-GameFolder([string]$folder) {
    return [System.IO.Directory]::Exists([System.IO.Path]::Combine($folder, 'package', 'patch_npk'))
}

function Get-RecordPath { return [System.IO.Path]::Combine($Game, $RecordFolderName, 'install.json') }

# The installation record as plain hashtables, or $null when the kit is not installed.
function Read-Record {
    $path = Get-RecordPath
    if (-not [System.IO.File]::Exists($path)) { return $null }
    try { $json = Read-JsonFile $path } catch {
        Stop-Action ("the installation record $path cannot be read: " + (Get-ErrorText $_))
    }
    $files = New-Object 'System.Collections.Generic.List[object]'
    foreach ($item in @(Get-Property $json 'files' @())) {
        $path = [string](Get-Property $item 'path' '')
        if (-not (Test-RelativePath $path)) { Stop-Action "the installation record lists a file it cannot use: '$path'" }
        $files.Add([ordered]@{
            path = $path
            sha256 = [string](Get-Property $item 'sha256' '')
            size = [int64](Get-Property $item 'size' 0)
            backup = [bool](Get-Property $item 'backup' $false)
            package = [string](Get-Property $item 'package' 'kit')
        })
    }
    $folders = New-Object 'System.Collections.Generic.List[string]'
    foreach ($folder in @(Get-Property $json 'folders' @())) {
        if (Test-RelativePath ([string]$folder)) { $folders.Add([string]$folder) }
    }
    $hosts = Get-Property $json 'hosts' $null
    $rookmere = Get-Property $json 'rookmere' $null
    return [ordered]@{
        kit = [string](Get-Property $json 'kit' '')
        version = [string](Get-Property $json 'version' '')
        installedAt = [string](Get-Property $json 'installedAt' '')
        hosts = [ordered]@{
            file = [string](Get-Property $hosts 'file' '')
            marker = [string](Get-Property $hosts 'marker' '')
            created = [bool](Get-Property $hosts 'created' $false)
            breakAdded = [bool](Get-Property $hosts 'breakAdded' $false)
        }
        rookmere = [string](Get-Property $rookmere 'version' '')
        files = $files
        folders = $folders
    }
}

function Save-Record($record) {
    $copy = [ordered]@{}
    foreach ($key in $record.Keys) { $copy[$key] = $record[$key] }
    $copy.files = $record.files.ToArray()
    $copy.folders = $record.folders.ToArray()
    if ($record.rookmere -ne '') { $copy.rookmere = [ordered]@{ version = $record.rookmere } }
    else { $copy.rookmere = $null }
    Set-BytesTracked (Get-RecordPath) ($Utf8.GetBytes((ConvertTo-JsonText $copy)))
}

function Find-RecordFile($record, [string]$path) {
    foreach ($entry in $record.files) { if ($entry.path -eq $path) { return $entry } }
    return $null
}

# ---- the hosts file ---------------------------------------------------------------------------

# Windows reads the hosts file from the folder in Tcpip\Parameters\DataBasePath (REG_EXPAND_SZ,
# %SystemRoot%\System32\drivers\etc by default).
function Get-HostsPath {
    if ($HostsFile -ne '') { return $HostsFile }
    if (-not $OnWindows) { return '/etc/hosts' }
    $folder = [System.IO.Path]::Combine([Environment]::SystemDirectory, 'drivers', 'etc')
    try {
        $key = [Microsoft.Win32.Registry]::LocalMachine.OpenSubKey('SYSTEM\CurrentControlSet\Services\Tcpip\Parameters')
        if ($null -ne $key) {
            try { $value = [string]$key.GetValue('DataBasePath', '') } finally { $key.Close() }
            if ($value.Trim() -ne '') { $folder = [Environment]::ExpandEnvironmentVariables($value.Trim()) }
        }
    } catch { }
    return [System.IO.Path]::Combine($folder, 'hosts')
}

function Test-Utf16([byte[]]$bytes) {
    return ($bytes.Length -ge 2 -and (($bytes[0] -eq 0xFF -and $bytes[1] -eq 0xFE) -or ($bytes[0] -eq 0xFE -and $bytes[1] -eq 0xFF)))
}

# The hosts file's bytes, or $null when there is none; a file in use is asked again.
function Read-HostsBytes([string]$path) {
    if (-not [System.IO.File]::Exists($path)) { return $null }
    for ($try = 1; ; $try++) {
        try { return , (Read-Bytes $path) } catch { if (-not (Test-Retry $_ $try)) { throw } }
    }
}

# The hosts file as text for the status (a UTF-16 one too), or $null when there is none.
function Read-HostsText([string]$path) {
    $bytes = Read-HostsBytes $path
    if ($null -eq $bytes) { return $null }
    if (Test-Utf16 $bytes) {
        if ($bytes[0] -eq 0xFF) { return [System.Text.Encoding]::Unicode.GetString($bytes, 2, $bytes.Length - 2) }
        return [System.Text.Encoding]::BigEndianUnicode.GetString($bytes, 2, $bytes.Length - 2)
    }
    return $Latin1.GetString($bytes)
}

# The bytes of the hosts file that a run changes: a UTF-16 one is refused, never rewritten.
function Read-HostsForChange([string]$path) {
    $script:Touching = $path
    Assert-NoLink $path
    $bytes = Read-HostsBytes $path
    if ($null -ne $bytes -and (Test-Utf16 $bytes)) {
        Stop-Action "$($script:Doing) failed: $path is saved as UTF-16, which the kit does not rewrite: save it as ANSI or UTF-8 (in Notepad: Save As, Encoding), then try again"
    }
    return , $bytes
}

function Find-HostsBlock([string]$text, [string]$marker) {
    $m = [regex]::Escape($marker)
    $match = [regex]::Match($text, '(?ms)^# BEGIN ' + $m + '\r?$.*?^# END ' + $m + '\r?$\n?')
    if ($match.Success) { return $match }
    return $null
}

function New-HostsBlock($kit, [string]$newline) {
    $text = "# BEGIN $($kit.name)$newline# Added by the kit's launcher; uninstalling the kit removes this block.$newline"
    foreach ($name in $kit.names) { $text += "$($kit.address) $name$newline" }
    return $text + "# END $($kit.name)$newline"
}

function Test-HostsRedirected([string]$text, $kit, [string]$marker) {
    if ($null -eq $text) { return $false }
    $block = Find-HostsBlock $text $marker
    if ($null -eq $block) { return $false }
    foreach ($name in $kit.names) {
        if ($block.Value -notmatch ('(?m)^' + [regex]::Escape($kit.address) + '[ \t]+' + [regex]::Escape($name) + '\s*$')) { return $false }
    }
    return $true
}

# One planned step: the kit's block added, put back, or found as it should be.
function Set-HostsBlock($kit, $record) {
    $path = Get-HostsPath
    $script:Doing = "changing the hosts file $path"
    $old = Read-HostsForChange $path
    $created = $null -eq $old
    $text = ''
    if (-not $created) { $text = $Latin1.GetString($old) }
    $newline = "`r`n"
    if ($text.Contains("`n") -and -not $text.Contains("`r`n")) { $newline = "`n" }
    $block = New-HostsBlock $kit $newline
    $marker = $kit.name
    if ($record.hosts.marker -ne '') { $marker = $record.hosts.marker }
    $found = Find-HostsBlock $text $marker
    $names = $kit.names -join ', '
    if ($null -ne $found -and $found.Value -eq $block) {
        Add-Step "hosts: $names already point at $($kit.address) in $path"
    } elseif ($null -ne $found) {
        Set-BytesTracked $path ($Latin1.GetBytes($text.Remove($found.Index, $found.Length).Insert($found.Index, $block))) $old
        $script:HostsChanged = $true
        $script:Restored.Add('hosts file')
        Add-Step "hosts: the kit's block in $path points $names at $($kit.address) again"
    } else {
        $breakAdded = $text.Length -gt 0 -and -not $text.EndsWith("`n")
        $new = $text
        if ($breakAdded) { $new += $newline }
        Set-BytesTracked $path ($Latin1.GetBytes($new + $block)) $old
        $script:HostsChanged = $true
        if ($record.hosts.marker -ne '') { $script:Restored.Add('hosts file') }
        # A hosts file the kit created goes again with the block, even when the block is added
        # anew by a repair.
        $record.hosts.created = $created -or ($record.hosts.marker -ne '' -and $record.hosts.created)
        $record.hosts.breakAdded = $breakAdded
        Add-Step "hosts: $names point at $($kit.address) in $path"
    }
    $record.hosts.file = $path
    $record.hosts.marker = $kit.name
    $script:Doing = ''
}

# One planned step: the kit's block taken out (or found missing).
function Remove-HostsBlock($record) {
    $path = Get-HostsPath
    $marker = $record.hosts.marker
    $script:Doing = "changing the hosts file $path"
    $old = $null
    if ($marker -ne '') { $old = Read-HostsForChange $path }
    $found = $null
    if ($null -ne $old) { $found = Find-HostsBlock ($Latin1.GetString($old)) $marker }
    if ($null -eq $found) {
        $script:Doing = ''
        Add-Step "hosts: no block of the kit in $path"
        return
    }
    $text = $Latin1.GetString($old)
    $new = $text.Remove($found.Index, $found.Length)
    if ($record.hosts.breakAdded -and $found.Index -eq $new.Length) {
        if ($new.EndsWith("`r`n")) { $new = $new.Substring(0, $new.Length - 2) }
        elseif ($new.EndsWith("`n")) { $new = $new.Substring(0, $new.Length - 1) }
    }
    if ($record.hosts.created -and $new -eq '') { Move-Aside $path }
    else { Set-BytesTracked $path ($Latin1.GetBytes($new)) $old }
    $script:HostsChanged = $true
    $script:Doing = ''
    Add-Step "hosts: removed the kit's block from $path"
}

# ---- placing files ----------------------------------------------------------------------------

function Get-BackupPath([string]$relative) {
    return Join-Relative ([System.IO.Path]::Combine($Game, $RecordFolderName, 'backup')) $relative
}

# What bringing the game's copies of a package's files to the package's content takes, one item a
# file: place (backing up the game's own first), restore, keep (its SHA-256 is $keep), same, or
# remove (an earlier version of the package placed it and this one has it no more). Every path it
# will change is checked for links here, before the run changes anything.
function Get-SyncPlan($package, $record, [string]$keep) {
    $plan = New-Object 'System.Collections.Generic.List[object]'
    foreach ($file in $package.files) {
        $target = Join-Relative $Game $file.path
        Assert-NoLink $target
        if ([System.IO.Directory]::Exists($target)) {
            Stop-Action "$($file.path) in the game folder is a folder, where the kit has a file"
        }
        $entry = Find-RecordFile $record $file.path
        if ($null -ne $entry -and $entry.package -ne $package.name) {
            Stop-Action "$($file.path) belongs to the $($entry.package) already installed"
        }
        $exists = [System.IO.File]::Exists($target)
        $current = ''
        if ($exists) { $current = Get-Sha256 $target }
        if ($null -eq $entry) {
            $kind = 'place'
            if ($exists) { Assert-NoLink (Get-BackupPath $file.path) }
        } elseif ($exists -and $current -eq $file.sha256) {
            $kind = 'same'
        } elseif ($exists -and $keep -ne '' -and $current -eq $keep) {
            $kind = 'keep'
        } else {
            $kind = 'restore'
        }
        $plan.Add(@{ kind = $kind; file = $file; entry = $entry; exists = $exists })
    }
    foreach ($entry in @($record.files | Where-Object { $_.package -eq $package.name })) {
        if (@($package.files | Where-Object { $_.path -eq $entry.path }).Count -eq 0) {
            Assert-RemovableLinks $entry
            $plan.Add(@{ kind = 'remove'; file = $null; entry = $entry; exists = $false })
        }
    }
    return , $plan
}

function Get-PlanSteps($plan) { return @($plan | Where-Object { $_.kind -ne 'same' }).Count }

function Get-PlanBytes($plan) {
    $bytes = [int64]0
    foreach ($item in $plan) { if ($item.kind -eq 'place' -or $item.kind -eq 'restore') { $bytes += $item.file.size } }
    return $bytes
}

function Invoke-SyncPlan($plan, $package, $record) {
    $counts = @{ placed = 0; restored = 0; kept = 0; same = 0 }
    foreach ($item in $plan) {
        $file = $item.file
        $entry = $item.entry
        if ($item.kind -eq 'remove') {
            Remove-Placed $entry
            [void]$record.files.Remove($entry)
            continue
        }
        $target = Join-Relative $Game $file.path
        $source = Join-Relative $package.root $file.path
        switch ($item.kind) {
            'place' {
                $script:Doing = "placing $($file.path)"
                if ($item.exists) { Move-Tracked $target (Get-BackupPath $file.path) }
                $before = $script:Undo.Count
                Copy-Whole $source $target
                Add-CreatedFolders $record $before
                $entry = [ordered]@{ path = $file.path; sha256 = $file.sha256; size = $file.size; backup = $item.exists; package = $package.name }
                $record.files.Add($entry)
                $counts.placed++
                if ($item.exists) { Add-Step "placed $($file.path) (the game's own is kept in $RecordFolderName/backup)" }
                else { Add-Step "placed $($file.path)" }
            }
            'same' { $counts.same++ }
            'keep' {
                $counts.kept++
                Add-Step "kept $($file.path) as it is (SHA-256 $($KeepSha.ToLowerInvariant()))"
            }
            'restore' {
                $script:Doing = "putting back $($file.path)"
                if ($item.exists) { Move-Aside $target }
                $before = $script:Undo.Count
                Copy-Whole $source $target
                Add-CreatedFolders $record $before
                $counts.restored++
                $script:Restored.Add($file.path)
                if ($item.exists) { Add-Step "put back $($file.path) (it differed from the kit)" }
                else { Add-Step "put back $($file.path) (it was missing)" }
            }
        }
        $entry.sha256 = $file.sha256
        $entry.size = $file.size
        $script:Doing = ''
    }
    return $counts
}

# Notes the game folders that the last copy created, so that uninstall removes them again.
function Add-CreatedFolders($record, [int]$from) {
    $prefix = [System.IO.Path]::Combine($Game, $RecordFolderName)
    for ($i = $from; $i -lt $script:Undo.Count; $i++) {
        $entry = $script:Undo[$i]
        if ($entry.kind -ne 'folder' -or $entry.path.StartsWith($prefix)) { continue }
        $relative = $entry.path.Substring($Game.Length).TrimStart('\', '/').Replace('\', '/')
        if ($relative -ne '' -and -not $record.folders.Contains($relative)) { $record.folders.Add($relative) }
    }
}

function Assert-RemovableLinks($entry) {
    Assert-NoLink (Join-Relative $Game $entry.path)
    if ($entry.backup) { Assert-NoLink (Get-BackupPath $entry.path) }
}

# One planned step: a placed file taken out and the game's own put back.
function Remove-Placed($entry) {
    $target = Join-Relative $Game $entry.path
    $script:Doing = "removing $($entry.path)"
    if ([System.IO.File]::Exists($target)) { Move-Aside $target }
    if ($entry.backup) {
        $backup = Get-BackupPath $entry.path
        if ([System.IO.File]::Exists($backup)) {
            Move-Tracked $backup $target
            Add-Step "put the game's own $($entry.path) back"
        } else {
            Add-Warning "the backup of $($entry.path) is missing: the game's own file could not be put back (let Steam verify the game's files)"
            Add-Step "removed $($entry.path)"
        }
    } else {
        Add-Step "removed $($entry.path)"
    }
    $script:Doing = ''
}

# Removes now empty folders: the kit's backups and the game folders the kit created.
function Remove-EmptyFolders($record) {
    $backupRoot = [System.IO.Path]::Combine($Game, $RecordFolderName, 'backup')
    if ([System.IO.Directory]::Exists($backupRoot) -and -not (Test-Link $backupRoot)) {
        $folders = Get-FoldersBelow $backupRoot
        $folders.Add($backupRoot)
        foreach ($folder in $folders) {
            if (@([System.IO.Directory]::GetFileSystemEntries($folder)).Count -eq 0) { Remove-FolderTracked $folder }
        }
    }
    foreach ($relative in @($record.folders | Sort-Object -Property Length -Descending)) {
        $folder = Join-Relative $Game $relative
        if (-not [System.IO.Directory]::Exists($folder) -or (Test-Link $folder)) { continue }
        if (@([System.IO.Directory]::GetFileSystemEntries($folder)).Count -eq 0) { Remove-FolderTracked $folder }
        else { Add-Warning "left the folder ${relative}: it holds files that are not the kit's" }
    }
}

# ---- the Rookmere kit -------------------------------------------------------------------------

function Get-RookmereSource($kit) {
    $unpack = [System.IO.Path]::Combine($Game, $RecordFolderName, 'unpack')
    $zip = ''
    if ($RookmereDownload) {
        if ($kit.download -eq '') {
            Stop-Action 'no download source is configured for the Rookmere kit: download it yourself, then choose the zip'
        }
        $zip = [System.IO.Path]::Combine($Game, $RecordFolderName, 'rookmere-download.zip')
        Assert-NoLink $zip
        Remove-Quietly $zip
        $script:Scratch.Add($zip)
        Add-Note "downloading the Rookmere kit from $($kit.download)"
        $script:Doing = "downloading the Rookmere kit from $($kit.download)"
        # Windows PowerShell 5.1 offers TLS 1.2 only when asked.
        [System.Net.ServicePointManager]::SecurityProtocol = [System.Net.ServicePointManager]::SecurityProtocol -bor [System.Net.SecurityProtocolType]::Tls12
        $client = New-Object System.Net.WebClient
        try { $client.DownloadFile($kit.download, $zip) } finally { $client.Dispose() }
        $script:Doing = ''
    } elseif ($RookmereDir -ne '') {
        if (-not [System.IO.Directory]::Exists($RookmereDir)) { Stop-Action "the Rookmere kit folder $RookmereDir was not found" }
        return (Find-RookmereRoot $RookmereDir)
    } elseif ($RookmereZip -ne '') {
        if (-not [System.IO.File]::Exists($RookmereZip)) { Stop-Action "the Rookmere kit zip $RookmereZip was not found" }
        $zip = $RookmereZip
    } else {
        Stop-Action 'no Rookmere kit was chosen'
    }
    Assert-NoLink $unpack
    Remove-Tree $unpack
    $script:Scratch.Add($unpack)
    $script:Doing = "unpacking $zip"
    Add-Type -AssemblyName System.IO.Compression.FileSystem
    try { [System.IO.Compression.ZipFile]::ExtractToDirectory($zip, $unpack) } catch {
        Stop-Action ("the Rookmere kit zip cannot be unpacked: " + (Get-ErrorText $_))
    }
    $script:Doing = ''
    return (Find-RookmereRoot $unpack)
}

# The folder holding rookmere.json: the chosen one or its only subfolder.
function Find-RookmereRoot([string]$folder) {
    if ([System.IO.File]::Exists([System.IO.Path]::Combine($folder, 'rookmere.json'))) { return $folder }
    $subfolders = @([System.IO.Directory]::GetDirectories($folder))
    if ($subfolders.Count -eq 1 -and [System.IO.File]::Exists([System.IO.Path]::Combine($subfolders[0], 'rookmere.json'))) {
        return $subfolders[0]
    }
    Stop-Action 'the chosen Rookmere kit has no rookmere.json: choose the folder or zip of the Rookmere kit'
}

function Read-Rookmere([string]$root) {
    try { $manifest = Read-JsonFile ([System.IO.Path]::Combine($root, 'rookmere.json')) } catch {
        Stop-Action ("the Rookmere kit's rookmere.json cannot be read: " + (Get-ErrorText $_))
    }
    return @{
        name = 'rookmere'
        label = 'the Rookmere kit'
        advice = 'Download it again.'
        version = [string](Get-Property $manifest 'version' '')
        root = $root
        files = (Read-FileList $manifest 'the Rookmere kit''s rookmere.json')
    }
}

# ---- the actions ------------------------------------------------------------------------------

function New-Record($kit) {
    return [ordered]@{
        kit = $kit.name
        version = $kit.version
        installedAt = ''
        hosts = [ordered]@{ file = ''; marker = ''; created = $false; breakAdded = $false }
        rookmere = ''
        files = (New-Object 'System.Collections.Generic.List[object]')
        folders = (New-Object 'System.Collections.Generic.List[string]')
    }
}

function Get-KitPackage($kit) {
    return @{ name = 'kit'; label = "the $($kit.name)"; advice = 'Unzip the kit again.'; root = $kit.root; files = $kit.files }
}

function Test-SameHostsFile($record) {
    if ($record.hosts.file -ne '' -and $record.hosts.file -ne (Get-HostsPath)) {
        Stop-Action "the kit was installed with the hosts file $($record.hosts.file): run this in the same mode (sandbox or not) as the install"
    }
}

# The run's own folders and the hosts file, checked for links before the first change.
function Assert-RunLinks {
    Assert-NoLink (Get-RecordPath)
    Assert-NoLink $script:UndoDir
    Assert-NoLink (Get-HostsPath)
}

function Invoke-Install([bool]$repair) {
    $kit = Read-Kit
    $package = Get-KitPackage $kit
    Test-Source $package
    $record = Read-Record
    if ($repair -and $null -eq $record) { Stop-Action "the kit is not installed in $Game`: use Install" }
    if ($null -eq $record) { $record = New-Record $kit } else { Test-SameHostsFile $record }
    $keep = ''
    if ($repair) { $keep = $KeepSha.ToLowerInvariant() }
    $plan = Get-SyncPlan $package $record $keep
    Assert-RunLinks
    # The files, the hosts block and the record.
    Set-Plan ((Get-PlanSteps $plan) + 2) (Get-PlanBytes $plan)
    $counts = Invoke-SyncPlan $plan $package $record
    Set-HostsBlock $kit $record
    $record.kit = $kit.name
    $record.version = $kit.version
    if ($record.installedAt -eq '') { $record.installedAt = Get-Stamp 'yyyy-MM-ddTHH:mm:ssZ' }
    $script:Doing = 'recording the installation'
    Save-Record $record
    $script:Doing = ''
    Add-Step "recorded the installation in $RecordFolderName/install.json"
    if ($repair) {
        $message = "Repair checked $($package.files.Count) files of the $($kit.name): $($counts.restored) put back, $($counts.kept) kept as you have them, $($counts.same) already right."
        foreach ($entry in @($record.files | Where-Object { $_.package -eq 'rookmere' })) {
            $target = Join-Relative $Game $entry.path
            if (-not [System.IO.File]::Exists($target) -or (Get-Sha256 $target) -ne $entry.sha256) {
                Add-Warning "$($entry.path) differs from the Rookmere kit: install the Rookmere kit again to put it back"
            }
        }
        return $message
    }
    return "The $($kit.name) $($kit.version) is installed: $($counts.placed) files placed, $($counts.restored) put back."
}

function Invoke-Uninstall {
    $record = Read-Record
    if ($null -eq $record) {
        Set-Plan 0 0
        Add-Note 'the kit is not installed: nothing to remove'
        return "The kit is not installed in $Game`: nothing was changed."
    }
    Test-SameHostsFile $record
    foreach ($entry in $record.files) { Assert-RemovableLinks $entry }
    Assert-RunLinks
    # Each file, the hosts block and the record.
    Set-Plan ($record.files.Count + 2) 0
    for ($i = $record.files.Count - 1; $i -ge 0; $i--) { Remove-Placed $record.files[$i] }
    Remove-HostsBlock $record
    $script:Doing = 'removing the installation record'
    Move-Aside (Get-RecordPath)
    Remove-EmptyFolders $record
    $script:Doing = ''
    Add-Step "removed the installation record"
    return "The $($record.kit) is uninstalled: the game's files and the hosts file are as before."
}

function Invoke-Rookmere {
    $kit = Read-Kit
    $record = Read-Record
    if ($null -eq $record) { Stop-Action "the kit is not installed in $Game`: install it first, then the Rookmere kit" }
    Test-SameHostsFile $record
    $package = Read-Rookmere (Get-RookmereSource $kit)
    foreach ($file in $package.files) {
        if (@($kit.files | Where-Object { $_.path -eq $file.path }).Count -gt 0) {
            Stop-Action "the Rookmere kit would replace the kit's own $($file.path)"
        }
    }
    Test-Source $package
    $plan = Get-SyncPlan $package $record ''
    Assert-RunLinks
    # The files and the record.
    Set-Plan ((Get-PlanSteps $plan) + 1) (Get-PlanBytes $plan)
    $counts = Invoke-SyncPlan $plan $package $record
    $record.rookmere = $package.version
    $script:Doing = 'recording the installation'
    Save-Record $record
    $script:Doing = ''
    Add-Step "recorded the Rookmere kit $($package.version) in $RecordFolderName/install.json"
    return "The Rookmere kit $($package.version) is installed: $($counts.placed) files placed, $($counts.restored) put back."
}

# Windows answers from its DNS cache for a while: clear it so that a changed system hosts file
# counts at once. Not in sandbox mode, where the system's hosts file is not touched. ipconfig.exe
# is called by its path in the system folder, never looked up.
function Clear-DnsCache {
    if (-not $script:HostsChanged -or $HostsFile -ne '' -or -not $OnWindows) { return }
    $ipconfig = [System.IO.Path]::Combine([Environment]::SystemDirectory, 'ipconfig.exe')
    try {
        $null = & $ipconfig /flushdns 2>&1
        if ($LASTEXITCODE -ne 0) { throw "ipconfig /flushdns ended with $LASTEXITCODE" }
        Add-Note 'cleared the DNS cache, so that the hosts file counts at once'
    } catch {
        Add-Warning ('could not clear the DNS cache: ' + (Get-ErrorText $_))
    }
}

function Remove-ScratchFiles {
    foreach ($path in $script:Scratch) {
        try {
            Assert-NoLink $path
            Remove-Tree $path
        } catch {
            Add-Warning ("could not remove $path`: " + (Get-ErrorText $_))
        }
    }
}

function Save-Result($result) {
    $result.steps = $script:Steps.ToArray()
    $result.warnings = $script:Warnings.ToArray()
    $result.plannedSteps = $script:StepTotal
    $result.plannedBytes = $script:PlannedBytes
    $result.restored = $script:Restored.ToArray()
    $path = [System.IO.Path]::Combine($RunDir, 'result.json')
    Assert-NoLink $path
    Save-Whole $path ($Utf8.GetBytes((ConvertTo-JsonText $result))) $null
}

# Undoes this run's changes after a failure; the journal goes only when all of them are undone,
# so that the next run tries again what could not be undone now.
function Undo-Run($result, [string]$why) {
    $result.ok = $false
    $result.why = $why
    $result.message = "$Action did not finish: $why Nothing was changed."
    $total = $script:Undo.Count
    if ($total -gt 0) {
        $undone = Undo-Changes
        $result.rolledBack = $true
        Add-Note "rolled back: $undone of $total changes of this run undone"
        if ($undone -ne $total) {
            $result.message = "$Action did not finish: $why Not every change could be undone: see the warnings. The next action tries again."
            Close-Journal
            return
        }
    }
    try {
        Remove-Journal
        if ($script:UndoDir -ne '' -and [System.IO.Directory]::Exists($script:UndoDir)) { Assert-NoLink $script:UndoDir; Remove-Tree $script:UndoDir }
    } catch {
        Add-Warning ('could not remove what this run left in ' + $RecordFolderName + ': ' + (Get-ErrorText $_))
    }
}

function Invoke-Action {
    if ($RunDir -eq '') {
        [Console]::Error.WriteLine("actions.ps1: -RunDir is needed for the action '$Action'")
        $script:ExitCode = 2
        return
    }
    $result = [ordered]@{ ok = $false; action = $Action; message = ''; why = ''; game = $Game; hostsFile = ''; sandbox = ($HostsFile -ne ''); steps = @(); warnings = @(); rolledBack = $false; plannedSteps = 0; plannedBytes = 0; restored = @() }
    try {
        if ($script:StartWhy -eq '') {
            # Nothing is written into a run folder that is a link, not even the why.
            Assert-NoLink $RunDir
            [void][System.IO.Directory]::CreateDirectory($RunDir)
            $lockFolder = [System.IO.Path]::GetDirectoryName((Get-LockPath))
            Assert-NoLink $lockFolder
            [void][System.IO.Directory]::CreateDirectory($lockFolder)
            if (-not (Enter-RunLock)) {
                # The other run's log stays as it is; only this run's result says why.
                $result.why = 'another action is still running.'
                $result.message = "$Action did not start: another action is still running on this game folder. Wait for it to end, then try again."
                Save-Result $result
                $script:ExitCode = 1
                return
            }
        }
        $script:LogPath = [System.IO.Path]::Combine($RunDir, 'action.log')
        Assert-NoLink $script:LogPath
        if ([System.IO.File]::Exists($script:LogPath)) { [System.IO.File]::Delete($script:LogPath) }
        $stream = New-Object System.IO.FileStream -ArgumentList $script:LogPath, ([System.IO.FileMode]::CreateNew), ([System.IO.FileAccess]::Write), $ReadShare
        $stream.Dispose()
    } catch {
        [Console]::Error.WriteLine('actions.ps1: ' + (Get-Why $_))
        $script:LogPath = ''
        $script:ExitCode = 1
        return
    }
    $code = 1
    try {
        Write-Log "${Action}: kit $Kit, game $Game (script $ScriptVersion, PowerShell $($PSVersionTable.PSVersion))"
        if ($script:StartWhy -ne '') { $code = 2; Stop-Action $script:StartWhy }
        $result.hostsFile = Get-HostsPath
        if (@($Unknown | Where-Object { $null -ne $_ }).Count -gt 0) {
            $code = 2
            Stop-Action ("unknown arguments: " + (@($Unknown) -join ' '))
        }
        if (@('install', 'repair', 'uninstall', 'rookmere') -notcontains $Action) {
            $code = 2
            Stop-Action "unknown action '$Action'"
        }
        if ($KeepSha -ne '' -and $KeepSha -notmatch '^[0-9a-fA-F]{64}$') {
            $code = 2
            Stop-Action "-KeepSha takes a SHA-256 of 64 hexadecimal digits"
        }
        if (-not (Test-GameFolder $Game)) { Stop-Action 'the game folder was not found' }
        Undo-Interrupted
        $script:UndoDir = [System.IO.Path]::Combine($Game, $RecordFolderName, 'undo-' + (Get-Stamp 'yyyyMMddHHmmss') + '-' + $PID)
        Open-Journal
        switch ($Action) {
            'install' { $message = Invoke-Install $false }
            'repair' { $message = Invoke-Install $true }
            'uninstall' { $message = Invoke-Uninstall }
            'rookmere' { $message = Invoke-Rookmere }
        }
        Clear-DnsCache
        $result.ok = $true
        $result.message = $message
        $code = 0
    } catch {
        $why = Get-Why $_
        Write-Log "failed: $why"
        Undo-Run $result $why
    }
    Remove-ScratchFiles
    $failure = ''
    try { Save-Result $result } catch { $failure = 'recording the result failed: ' + (Get-ErrorText $_) }
    if ($code -eq 0 -and $failure -eq '') {
        # Done: from here on the run is not rolled back.
        try { Complete-Changes } catch { $failure = 'finishing the run failed: ' + (Get-ErrorText $_) }
    }
    if ($failure -ne '') {
        $failure = Format-Why $failure
        Write-Log "failed: $failure"
        if ($code -eq 0) {
            # All or nothing: a run whose result cannot be recorded is undone too.
            Undo-Run $result $failure
            $code = 1
            try { Save-Result $result } catch { }
        }
    }
    if ($code -eq 0) { Write-Log "${Action}: done" } else { Write-Log "${Action}: failed - $($result.why)" }
    $script:ExitCode = $code
    if ($null -ne $script:Lock) { $script:Lock.Dispose(); $script:Lock = $null }
}

# ---- status -----------------------------------------------------------------------------------

function Get-Status {
    $status = [ordered]@{
        ok = $true
        summary = ''
        installed = $false
        kitName = ''
        kitTitle = ''
        kitVersion = ''
        installedVersion = ''
        rookmereVersion = ''
        game = $Game
        gameFound = (Test-GameFolder $Game)
        changedFiles = @()
        missingFiles = @()
        hostsRedirected = $false
        hostsFile = (Get-HostsPath)
        sandbox = ($HostsFile -ne '')
        kit = $Kit
        script = $ScriptVersion
        powershell = $PSVersionTable.PSVersion.ToString()
        interrupted = $false
        busy = $false
    }
    $kit = Read-Kit
    $status.kitName = $kit.name
    $status.kitTitle = $kit.title
    $status.kitVersion = $kit.version
    if (-not $status.gameFound) {
        $status.summary = "No game was found in $Game (it has no package\patch_npk folder). Choose the game folder and install the kit there."
        return $status
    }
    # A run in progress has a journal too: only one without a run is an interrupted one.
    $status.busy = Test-RunBusy
    $interrupted = ''
    if (-not $status.busy) { $interrupted = Get-JournalTitle }
    $status.interrupted = $interrupted -ne ''
    $before = ''
    if ($status.busy) { $before = 'Another action is running on this game folder right now. ' }
    if ($status.interrupted) { $before = "An earlier run ($interrupted) was interrupted before it finished: the next action first undoes what it had changed. " }
    $record = Read-Record
    $hostsText = Read-HostsText $status.hostsFile
    $marker = $kit.name
    if ($null -ne $record -and $record.hosts.marker -ne '') { $marker = $record.hosts.marker }
    $status.hostsRedirected = Test-HostsRedirected $hostsText $kit $marker
    if ($null -eq $record) {
        $status.summary = $before + "The $($kit.name) $($kit.version) is not installed in this game. Install places its files and points the game's host names at the kit's server."
        return $status
    }
    $status.installed = $true
    $status.installedVersion = $record.version
    $status.rookmereVersion = $record.rookmere
    $keep = $KeepSha.ToLowerInvariant()
    $changed = New-Object 'System.Collections.Generic.List[object]'
    $missing = New-Object 'System.Collections.Generic.List[string]'
    $expected = @{}
    foreach ($file in $kit.files) { $expected[$file.path] = $file }
    foreach ($entry in $record.files) {
        $sha = $entry.sha256
        $from = 'the kit'
        if ($entry.package -eq 'rookmere') { $from = 'the Rookmere kit' }
        elseif ($expected.ContainsKey($entry.path)) { $sha = $expected[$entry.path].sha256 }
        $target = Join-Relative $Game $entry.path
        if (-not [System.IO.File]::Exists($target)) { $missing.Add($entry.path); continue }
        $current = Get-Sha256 $target
        if ($current -ne $sha) {
            $changed.Add([ordered]@{ path = $entry.path; sha256 = $current; kept = ($keep -ne '' -and $current -eq $keep); from = $from })
        }
    }
    foreach ($file in $kit.files) {
        if ($null -eq (Find-RecordFile $record $file.path)) { $missing.Add($file.path) }
    }
    $status.changedFiles = $changed.ToArray()
    $status.missingFiles = $missing.ToArray()
    $text = "The $($kit.name) $($record.version) is installed."
    if ($record.version -ne $kit.version) { $text = "The $($kit.name) $($record.version) is installed; this kit is $($kit.version): Install updates it." }
    if ($record.rookmere -ne '') { $text += " The Rookmere kit $($record.rookmere) is installed too." }
    $toRepair = @($changed | Where-Object { -not $_.kept }).Count + $missing.Count
    $kept = @($changed | Where-Object { $_.kept }).Count
    if ($toRepair -eq 0 -and $kept -eq 0) { $text += ' Every file is as the kit placed it.' }
    if ($toRepair -eq 1) { $text += ' 1 of its files differs from the kit or is missing: Repair puts it back.' }
    if ($toRepair -gt 1) { $text += " $toRepair of its files differ from the kit or are missing: Repair puts them back." }
    if ($kept -eq 1) { $text += ' You keep your own version of 1 file.' }
    if ($kept -gt 1) { $text += " You keep your own version of $kept files." }
    if ($status.hostsRedirected) { $text += " The game's host names point at the kit's server." }
    else { $text += " The hosts file does not point the game at the kit's server: Repair puts that back." }
    $status.summary = $before + $text
    return $status
}

function Write-StatusObject($status) {
    $bytes = $Utf8.GetBytes((ConvertTo-Json -InputObject $status -Depth 8 -Compress) + "`r`n")
    $stream = [Console]::OpenStandardOutput()
    $stream.Write($bytes, 0, $bytes.Length)
    $stream.Flush()
}

function Invoke-Status {
    try {
        if ($script:StartWhy -ne '') { Stop-Action $script:StartWhy }
        if (@($Unknown | Where-Object { $null -ne $_ }).Count -gt 0) { Stop-Action ("unknown arguments: " + (@($Unknown) -join ' ')) }
        $status = Get-Status
    } catch {
        $why = Get-Why $_
        $status = [ordered]@{
            ok = $false
            summary = "The kit script could not tell the state of the installation: $why"
            why = $why
            installed = $null
            game = $Game
            kit = $Kit
            changedFiles = @()
            missingFiles = @()
            script = $ScriptVersion
        }
    }
    try {
        Write-StatusObject $status
        if ($status.ok) { $script:ExitCode = 0 } else { $script:ExitCode = 1 }
    } catch {
        $script:ExitCode = 1
    }
}

# ---- start ------------------------------------------------------------------------------------

function Invoke-Main {
    # Text that PowerShell itself writes (an error, say) is UTF-8 too, not the console code page.
    try { [Console]::OutputEncoding = $Utf8 } catch { }
    if ($Action -eq 'status') { Invoke-Status } else { Invoke-Action }
}

# The paths made whole here, at the top, in the parameters' own scope: the launcher loads this
# file as a script block when its path holds [ or ], and there $script: is not that scope.
try {
    if ($Kit -eq '') { $Kit = [System.IO.Path]::GetDirectoryName($PSScriptRoot) }
    $Kit = Get-FullPath $Kit
    if ($Game -eq '') { $Game = $Kit } else { $Game = Get-FullPath $Game }
    $HostsFile = Get-FullPath $HostsFile
    $RunDir = Get-FullPath $RunDir
    $RookmereDir = Get-FullPath $RookmereDir
    $RookmereZip = Get-FullPath $RookmereZip
} catch {
    $script:StartWhy = 'a path given to the script cannot be used: ' + (Get-ErrorText $_)
}

# Anything a function would leave in the pipeline is dropped: standard output carries only the
# status object.
$null = Invoke-Main
exit $script:ExitCode

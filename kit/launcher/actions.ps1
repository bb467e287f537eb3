# actions.ps1 - the kit's action script (reference version).
#
# It installs the kit's game-side files into the game folder, repairs and removes them, installs
# the Rookmere kit and reports the state of all this. Everything it changes it can undo:
#   - every game file it replaces is first moved to <game>\vyr_launcher\backup\;
#   - the kit's host names go into one marked block of the hosts file (the scratch file given
#     with -HostsFile in sandbox mode, the system's otherwise); nothing outside it changes;
#   - what it did is recorded in <game>\vyr_launcher\install.json, and uninstall reverses it so
#     that the game folder and the hosts file are byte for byte as before.
# A run that fails at any step rolls back what it had changed, still writes its last log line
# and result.json (ok false and why) and ends with a non-zero exit code.
#
# The launcher runs it in two ways:
#   -Action status [-Kit K] [-Game G] [-HostsFile H] [-KeepSha S]
#       prints one JSON object (UTF-8) on standard output, nothing with a brace before it
#   -Action install|repair|uninstall|rookmere -Kit K -Game G -RunDir R [-HostsFile H]
#       [-KeepSha S] [-RookmereDir D | -RookmereZip Z | -RookmereDownload]
#       appends progress lines to R\action.log, writes R\result.json at the end and exits with
#       0 on success, 1 on failure (rolled back), 2 on bad arguments.
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

$ErrorActionPreference = 'Stop'
Set-StrictMode -Version 2.0

$ScriptVersion = '1.0'
$Utf8 = New-Object System.Text.UTF8Encoding $false
# The hosts file is kept as bytes: Latin-1 maps each byte to one character and back unchanged.
$Latin1 = [System.Text.Encoding]::GetEncoding(28591)
$RecordFolderName = 'vyr_launcher'
$script:ExitCode = 1
$script:LogPath = ''
$script:PlainWhy = ''
$script:StartWhy = ''
$script:Doing = ''
$script:Undo = New-Object System.Collections.ArrayList
$script:UndoDir = ''
$script:AsideCount = 0
$script:Steps = New-Object 'System.Collections.Generic.List[string]'
$script:Warnings = New-Object 'System.Collections.Generic.List[string]'
$script:Scratch = New-Object 'System.Collections.Generic.List[string]'
$script:HostsChanged = $false

# ---- small helpers ----------------------------------------------------------------------------

# A failure the player can act on: its text is the "why" as it stands.
function Stop-Action([string]$why) {
    $script:PlainWhy = $why
    throw $why
}

# The message of an error without PowerShell's "Exception calling ..." wrapping.
function Get-ErrorText($record) {
    $exception = $record.Exception
    while ($exception -is [System.Management.Automation.MethodInvocationException] -and
           $null -ne $exception.InnerException) {
        $exception = $exception.InnerException
    }
    return $exception.Message
}

function Get-Why($record) {
    if ($script:PlainWhy -ne '') { return $script:PlainWhy }
    $text = Get-ErrorText $record
    if ($script:Doing -ne '') { return "$($script:Doing) failed: $text" }
    return $text
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

function Get-Sha256([string]$path) {
    $sha = [System.Security.Cryptography.SHA256]::Create()
    $stream = [System.IO.File]::Open($path, 'Open', 'Read', 'ReadWrite')
    try { $hash = $sha.ComputeHash($stream) } finally { $stream.Dispose(); $sha.Dispose() }
    return ([System.BitConverter]::ToString($hash) -replace '-', '').ToLowerInvariant()
}

function Read-JsonFile([string]$path) {
    return ([System.IO.File]::ReadAllText($path, $Utf8) | ConvertFrom-Json)
}

function ConvertTo-JsonText($value) {
    return (ConvertTo-Json -InputObject $value -Depth 8)
}

function Write-Log([string]$text) {
    if ($script:LogPath -eq '') { return }
    try { [System.IO.File]::AppendAllText($script:LogPath, $text + "`r`n", $Utf8) } catch { }
}

# Something done, for the log and the result's "steps".
function Add-Step([string]$text) {
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

# Writes a file whole: a temporary file beside it, then renamed over it.
function Save-Whole([string]$path, [byte[]]$bytes) {
    $temp = $path + '.vyr-new'
    try {
        [System.IO.File]::WriteAllBytes($temp, $bytes)
        if ([System.IO.File]::Exists($path)) {
            [System.IO.File]::Replace($temp, $path, [NullString]::Value)
        } else {
            [System.IO.File]::Move($temp, $path)
        }
    } catch {
        Remove-Quietly $temp
        throw
    }
}

# ---- changes that can be undone ---------------------------------------------------------------
# Every change of a run goes through these functions, which note how to undo it. A failed run
# undoes the notes in reverse; a run that succeeds deletes what it moved aside.

function Add-Undo([string]$kind, [string]$path, $data) {
    [void]$script:Undo.Add(@{ kind = $kind; path = $path; data = $data })
}

function New-FolderTracked([string]$path) {
    if ([System.IO.Directory]::Exists($path)) { return }
    $parent = [System.IO.Path]::GetDirectoryName($path)
    if ($null -ne $parent -and $parent -ne '') { New-FolderTracked $parent }
    [void][System.IO.Directory]::CreateDirectory($path)
    Add-Undo 'folder' $path $null
}

function Remove-FolderTracked([string]$path) {
    [System.IO.Directory]::Delete($path)
    Add-Undo 'rmdir' $path $null
}

function Move-Tracked([string]$from, [string]$to) {
    New-FolderTracked ([System.IO.Path]::GetDirectoryName($to))
    $taken = [System.IO.File]::Exists($to)
    try {
        [System.IO.File]::Move($from, $to)
    } catch {
        # .NET on Linux moves by a hard link and an unlink; when the unlink is refused the link
        # stays behind.
        if (-not $taken -and [System.IO.File]::Exists($from) -and [System.IO.File]::Exists($to)) { Remove-Quietly $to }
        throw
    }
    Add-Undo 'move' $to $from
}

# Takes a file out of the way; its content comes back if the run fails.
function Move-Aside([string]$path) {
    $script:AsideCount++
    Move-Tracked $path ([System.IO.Path]::Combine($script:UndoDir, [string]$script:AsideCount))
}

# Copies a file to a place that is free: whole, under a temporary name first.
function Copy-Whole([string]$from, [string]$to) {
    New-FolderTracked ([System.IO.Path]::GetDirectoryName($to))
    $temp = $to + '.vyr-new'
    try {
        [System.IO.File]::Copy($from, $temp, $true)
        [System.IO.File]::Move($temp, $to)
    } catch {
        Remove-Quietly $temp
        throw
    }
    Add-Undo 'file' $to $null
}

# Writes a small file whole, keeping its old bytes in memory for the undo.
function Set-BytesTracked([string]$path, [byte[]]$bytes) {
    $old = $null
    if ([System.IO.File]::Exists($path)) { $old = [System.IO.File]::ReadAllBytes($path) }
    New-FolderTracked ([System.IO.Path]::GetDirectoryName($path))
    Save-Whole $path $bytes
    Add-Undo 'bytes' $path $old
}

function Undo-Changes {
    $undone = 0
    for ($i = $script:Undo.Count - 1; $i -ge 0; $i--) {
        $entry = $script:Undo[$i]
        try {
            switch ($entry.kind) {
                'folder' { [System.IO.Directory]::Delete($entry.path) }
                'rmdir' { [void][System.IO.Directory]::CreateDirectory($entry.path) }
                'file' { [System.IO.File]::Delete($entry.path) }
                'move' { [System.IO.File]::Move($entry.path, $entry.data) }
                'bytes' {
                    if ($null -eq $entry.data) { [System.IO.File]::Delete($entry.path) }
                    else { Save-Whole $entry.path $entry.data }
                }
            }
            $undone++
        } catch {
            Add-Warning ("could not undo a change of $($entry.path): " + (Get-ErrorText $_))
        }
    }
    $script:Undo.Clear()
    return $undone
}

function Complete-Changes {
    $script:Undo.Clear()
    if ($script:UndoDir -ne '' -and [System.IO.Directory]::Exists($script:UndoDir)) {
        try {
            foreach ($file in [System.IO.Directory]::GetFiles($script:UndoDir)) {
                [System.IO.File]::SetAttributes($file, 'Normal')
            }
            [System.IO.Directory]::Delete($script:UndoDir, $true)
        } catch {
            Add-Warning ("could not remove $($script:UndoDir): " + (Get-ErrorText $_))
        }
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
    return @{
        name = $kitName
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

function Get-HostsPath {
    if ($HostsFile -ne '') { return $HostsFile }
    if ([System.IO.Path]::DirectorySeparatorChar -eq '\') {
        return [System.IO.Path]::Combine([Environment]::SystemDirectory, 'drivers', 'etc', 'hosts')
    }
    return '/etc/hosts'
}

function Read-HostsText([string]$path) {
    if (-not [System.IO.File]::Exists($path)) { return $null }
    return $Latin1.GetString([System.IO.File]::ReadAllBytes($path))
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

function Set-HostsBlock($kit, $record) {
    $path = Get-HostsPath
    $text = Read-HostsText $path
    $created = $null -eq $text
    if ($created) { $text = '' }
    $newline = "`r`n"
    if ($text.Contains("`n") -and -not $text.Contains("`r`n")) { $newline = "`n" }
    $block = New-HostsBlock $kit $newline
    $marker = $kit.name
    if ($record.hosts.marker -ne '') { $marker = $record.hosts.marker }
    $found = Find-HostsBlock $text $marker
    $script:Doing = "changing the hosts file $path"
    if ($null -ne $found) {
        if ($found.Value -ne $block) {
            Set-BytesTracked $path ($Latin1.GetBytes($text.Remove($found.Index, $found.Length).Insert($found.Index, $block)))
            $script:HostsChanged = $true
            Add-Step "hosts: the kit's block in $path points $($kit.names -join ', ') at $($kit.address) again"
        }
    } else {
        $breakAdded = $text.Length -gt 0 -and -not $text.EndsWith("`n")
        $new = $text
        if ($breakAdded) { $new += $newline }
        Set-BytesTracked $path ($Latin1.GetBytes($new + $block))
        $script:HostsChanged = $true
        # A hosts file the kit created goes again with the block, even when the block is added
        # anew by a repair.
        $record.hosts.created = $created -or ($record.hosts.marker -ne '' -and $record.hosts.created)
        $record.hosts.breakAdded = $breakAdded
        Add-Step "hosts: $($kit.names -join ', ') point at $($kit.address) in $path"
    }
    $record.hosts.file = $path
    $record.hosts.marker = $kit.name
    $script:Doing = ''
}

function Remove-HostsBlock($record) {
    $path = Get-HostsPath
    $marker = $record.hosts.marker
    if ($marker -eq '') { return }
    $text = Read-HostsText $path
    if ($null -eq $text) { return }
    $found = Find-HostsBlock $text $marker
    if ($null -eq $found) {
        Add-Step "hosts: no block of the kit in $path"
        return
    }
    $new = $text.Remove($found.Index, $found.Length)
    if ($record.hosts.breakAdded -and $found.Index -eq $new.Length) {
        if ($new.EndsWith("`r`n")) { $new = $new.Substring(0, $new.Length - 2) }
        elseif ($new.EndsWith("`n")) { $new = $new.Substring(0, $new.Length - 1) }
    }
    $script:Doing = "changing the hosts file $path"
    if ($record.hosts.created -and $new -eq '') { Move-Aside $path }
    else { Set-BytesTracked $path ($Latin1.GetBytes($new)) }
    $script:HostsChanged = $true
    $script:Doing = ''
    Add-Step "hosts: removed the kit's block from $path"
}

# ---- placing files ----------------------------------------------------------------------------

function Get-BackupPath([string]$relative) {
    return Join-Relative ([System.IO.Path]::Combine($Game, $RecordFolderName, 'backup')) $relative
}

# Brings the game's copies of a package's files to the package's content. Files the kit did not
# place before are backed up first (when the game has them); a changed file whose SHA-256 is
# $keep stays as the player has it.
function Sync-Package($package, $record, [string]$keep) {
    $counts = @{ placed = 0; restored = 0; kept = 0; same = 0 }
    foreach ($file in $package.files) {
        $target = Join-Relative $Game $file.path
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
        $source = Join-Relative $package.root $file.path
        if ($null -eq $entry) {
            $script:Doing = "placing $($file.path)"
            $backup = $false
            if ($exists) {
                Move-Tracked $target (Get-BackupPath $file.path)
                $backup = $true
            }
            $before = $script:Undo.Count
            Copy-Whole $source $target
            Add-CreatedFolders $record $before
            $entry = [ordered]@{ path = $file.path; sha256 = $file.sha256; size = $file.size; backup = $backup; package = $package.name }
            $record.files.Add($entry)
            $counts.placed++
            if ($backup) { Add-Step "placed $($file.path) (the game's own is kept in $RecordFolderName/backup)" }
            else { Add-Step "placed $($file.path)" }
        } elseif ($exists -and $current -eq $file.sha256) {
            $counts.same++
        } elseif ($exists -and $keep -ne '' -and $current -eq $keep) {
            $counts.kept++
            Add-Step "kept $($file.path) as it is (SHA-256 $keep)"
        } else {
            $script:Doing = "putting back $($file.path)"
            if ($exists) { Move-Aside $target }
            $before = $script:Undo.Count
            Copy-Whole $source $target
            Add-CreatedFolders $record $before
            $counts.restored++
            if ($exists) { Add-Step "put back $($file.path) (it differed from the kit)" }
            else { Add-Step "put back $($file.path) (it was missing)" }
        }
        $entry.sha256 = $file.sha256
        $entry.size = $file.size
        $script:Doing = ''
    }
    # Files an earlier version of the package placed and this one no longer has.
    foreach ($entry in @($record.files | Where-Object { $_.package -eq $package.name })) {
        if (@($package.files | Where-Object { $_.path -eq $entry.path }).Count -eq 0) {
            Remove-Placed $entry
            [void]$record.files.Remove($entry)
        }
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

# Takes a placed file out and puts the game's own back.
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
        }
    } else {
        Add-Step "removed $($entry.path)"
    }
    $script:Doing = ''
}

# Removes now empty folders: the kit's backups and the game folders the kit created.
function Remove-EmptyFolders($record) {
    $backupRoot = [System.IO.Path]::Combine($Game, $RecordFolderName, 'backup')
    if ([System.IO.Directory]::Exists($backupRoot)) {
        $folders = @([System.IO.Directory]::GetDirectories($backupRoot, '*', 'AllDirectories') | Sort-Object -Property Length -Descending)
        foreach ($folder in ($folders + $backupRoot)) {
            if (@([System.IO.Directory]::GetFileSystemEntries($folder)).Count -eq 0) { Remove-FolderTracked $folder }
        }
    }
    foreach ($relative in @($record.folders | Sort-Object -Property Length -Descending)) {
        $folder = Join-Relative $Game $relative
        if (-not [System.IO.Directory]::Exists($folder)) { continue }
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
        $script:Scratch.Add($zip)
        Add-Step "downloading the Rookmere kit from $($kit.download)"
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
    if ([System.IO.Directory]::Exists($unpack)) { [System.IO.Directory]::Delete($unpack, $true) }
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

function Invoke-Install([bool]$repair) {
    $kit = Read-Kit
    $package = Get-KitPackage $kit
    Test-Source $package
    $record = Read-Record
    if ($repair -and $null -eq $record) { Stop-Action "the kit is not installed in $Game`: use Install" }
    if ($null -eq $record) { $record = New-Record $kit } else { Test-SameHostsFile $record }
    $keep = ''
    if ($repair) { $keep = $KeepSha.ToLowerInvariant() }
    $counts = Sync-Package $package $record $keep
    Set-HostsBlock $kit $record
    $record.kit = $kit.name
    $record.version = $kit.version
    if ($record.installedAt -eq '') { $record.installedAt = (Get-Date).ToUniversalTime().ToString('yyyy-MM-ddTHH:mm:ssZ') }
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
        Add-Step 'the kit is not installed: nothing to remove'
        return "The kit is not installed in $Game`: nothing was changed."
    }
    Test-SameHostsFile $record
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
    $counts = Sync-Package $package $record ''
    $record.rookmere = $package.version
    $script:Doing = 'recording the installation'
    Save-Record $record
    $script:Doing = ''
    Add-Step "recorded the Rookmere kit $($package.version) in $RecordFolderName/install.json"
    return "The Rookmere kit $($package.version) is installed: $($counts.placed) files placed, $($counts.restored) put back."
}

# Windows answers from its DNS cache for a while: clear it so that a changed system hosts file
# counts at once. Not in sandbox mode, where the system's hosts file is not touched.
function Clear-DnsCache {
    if (-not $script:HostsChanged -or $HostsFile -ne '') { return }
    if ($null -eq (Get-Command Clear-DnsClientCache -ErrorAction SilentlyContinue)) { return }
    try {
        Clear-DnsClientCache
        Add-Step 'cleared the DNS cache, so that the hosts file counts at once'
    } catch {
        Add-Warning ('could not clear the DNS cache: ' + (Get-ErrorText $_))
    }
}

function Remove-ScratchFiles {
    foreach ($path in $script:Scratch) {
        try {
            if ([System.IO.Directory]::Exists($path)) { [System.IO.Directory]::Delete($path, $true) }
            elseif ([System.IO.File]::Exists($path)) { [System.IO.File]::Delete($path) }
        } catch {
            Add-Warning ("could not remove $path`: " + (Get-ErrorText $_))
        }
    }
}

function Invoke-Action {
    if ($RunDir -eq '') {
        [Console]::Error.WriteLine("actions.ps1: -RunDir is needed for the action '$Action'")
        $script:ExitCode = 2
        return
    }
    try {
        [void][System.IO.Directory]::CreateDirectory($RunDir)
        $script:LogPath = [System.IO.Path]::Combine($RunDir, 'action.log')
        [System.IO.File]::WriteAllText($script:LogPath, '', $Utf8)
    } catch {
        [Console]::Error.WriteLine("actions.ps1: cannot write the run folder $RunDir`: " + (Get-ErrorText $_))
        $script:LogPath = ''
        $script:ExitCode = 1
        return
    }
    $result = [ordered]@{ ok = $false; action = $Action; message = ''; why = ''; game = $Game; hostsFile = ''; sandbox = ($HostsFile -ne ''); steps = @(); warnings = @(); rolledBack = $false }
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
        $script:UndoDir = [System.IO.Path]::Combine($Game, $RecordFolderName, 'undo-' + [DateTime]::UtcNow.ToString('yyyyMMddHHmmss') + '-' + $PID)
        switch ($Action) {
            'install' { $message = Invoke-Install $false }
            'repair' { $message = Invoke-Install $true }
            'uninstall' { $message = Invoke-Uninstall }
            'rookmere' { $message = Invoke-Rookmere }
        }
        Complete-Changes
        Clear-DnsCache
        $result.ok = $true
        $result.message = $message
        $code = 0
    } catch {
        $why = Get-Why $_
        $result.why = $why
        Write-Log "failed: $why"
        $result.message = "$Action did not finish: $why. Nothing was changed."
        if ($script:Undo.Count -gt 0) {
            $total = $script:Undo.Count
            $undone = Undo-Changes
            $result.rolledBack = $true
            Add-Step "rolled back: $undone of $total changes of this run undone"
            if ($undone -ne $total) {
                $result.message = "$Action did not finish: $why. Not every change could be undone: see the warnings."
                if ([System.IO.Directory]::Exists($script:UndoDir)) {
                    Add-Warning "files this run had moved aside are kept in $($script:UndoDir)"
                }
            }
        }
    }
    Remove-ScratchFiles
    $result.steps = $script:Steps.ToArray()
    $result.warnings = $script:Warnings.ToArray()
    try {
        Save-Whole ([System.IO.Path]::Combine($RunDir, 'result.json')) ($Utf8.GetBytes((ConvertTo-JsonText $result)))
    } catch {
        Write-Log ("could not write result.json: " + (Get-ErrorText $_))
        if ($code -eq 0) { $code = 1 }
    }
    if ($result.ok) { Write-Log "${Action}: done" } else { Write-Log "${Action}: failed - $($result.why)" }
    $script:ExitCode = $code
}

# ---- status -----------------------------------------------------------------------------------

function Get-Status {
    $status = [ordered]@{
        ok = $true
        summary = ''
        installed = $false
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
    }
    $kit = Read-Kit
    $status.kitVersion = $kit.version
    if (-not $status.gameFound) {
        $status.summary = "No game was found in $Game (it has no package\patch_npk folder). Choose the game folder and install the kit there."
        return $status
    }
    $record = Read-Record
    $hostsText = Read-HostsText $status.hostsFile
    $marker = $kit.name
    if ($null -ne $record -and $record.hosts.marker -ne '') { $marker = $record.hosts.marker }
    $status.hostsRedirected = Test-HostsRedirected $hostsText $kit $marker
    if ($null -eq $record) {
        $status.summary = "The $($kit.name) $($kit.version) is not installed in this game. Install places its files and points the game's host names at the kit's server."
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
    $status.summary = $text
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
            summary = "The kit script could not tell the state of the installation: $why."
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
    try {
        if ($Kit -eq '') { $script:Kit = [System.IO.Path]::GetDirectoryName($PSScriptRoot) }
        $script:Kit = Get-FullPath $Kit
        if ($Game -eq '') { $script:Game = $Kit } else { $script:Game = Get-FullPath $Game }
        $script:HostsFile = Get-FullPath $HostsFile
        $script:RunDir = Get-FullPath $RunDir
        $script:RookmereDir = Get-FullPath $RookmereDir
        $script:RookmereZip = Get-FullPath $RookmereZip
    } catch {
        $script:StartWhy = 'a path given to the script cannot be used: ' + (Get-ErrorText $_)
    }
    if ($Action -eq 'status') { Invoke-Status } else { Invoke-Action }
}

# Anything a function would leave in the pipeline is dropped: standard output carries only the
# status object.
$null = Invoke-Main
exit $script:ExitCode

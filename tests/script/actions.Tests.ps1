# Pester 5 tests of the kit's actions.ps1 on real game folders in temporary folders. Each test
# is a journey through the script as the launcher runs it: a separate PowerShell process with
# the launcher's switches, its exit code, its standard output as bytes, its log and its result.
# They run in PowerShell 7 (Linux or Windows) and in Windows PowerShell 5.1; tests/script/run.sh
# runs them here.

BeforeDiscovery {
    $OnWindows = $env:OS -eq 'Windows_NT'
    $IsRoot = $false
    if (-not $OnWindows) { $IsRoot = ((& id -u) -eq '0') }
    # A small full file system needs a tmpfs, which only root can mount.
    $CanMount = (-not $OnWindows) -and $IsRoot -and $null -ne (Get-Command mount -ErrorAction SilentlyContinue)
}

BeforeAll {
    $OnWindows = $env:OS -eq 'Windows_NT'
    $Root = [System.IO.Path]::GetFullPath([System.IO.Path]::Combine($PSScriptRoot, '..', '..'))
    $ScriptSource = [System.IO.Path]::Combine($Root, 'kit', 'launcher', 'actions.ps1')
    $Utf8 = New-Object System.Text.UTF8Encoding $false
    # Blanks, quotes, brackets and letters outside ASCII, in every path the script gets.
    $Odd = "Cinder gale [O'Brien] $([char]0x00FC)$([char]0x0142)"
    $HostsStart = "# Copyright (c) Microsoft Corp.`r`n#`r`n127.0.0.1       localhost`r`n::1             localhost"
    # The kit's names come from kit.json, as the script reads them: a renamed kit passes too.
    $KitSettings = [System.IO.File]::ReadAllText([System.IO.Path]::Combine($Root, 'kit', 'launcher', 'kit.json')) | ConvertFrom-Json

    function Join-Parts([string]$first) {
        $path = $first
        foreach ($part in $args) { $path = [System.IO.Path]::Combine($path, $part) }
        return $path
    }

    function Write-TextFile([string]$path, [string]$text) {
        [void][System.IO.Directory]::CreateDirectory([System.IO.Path]::GetDirectoryName($path))
        [System.IO.File]::WriteAllText($path, $text, $Utf8)
    }

    function Get-Sha([string]$path) {
        return (Get-FileHash -LiteralPath $path -Algorithm SHA256).Hash.ToLowerInvariant()
    }

    # A manifest as scripts/package.py writes it: every file below $root, "/" paths, sorted.
    function Write-Manifest([string]$root, [string]$manifest, [hashtable]$extra) {
        $files = @()
        $full = [System.IO.Path]::GetFullPath($root)
        foreach ($path in [System.IO.Directory]::GetFiles($full, '*', 'AllDirectories')) {
            $relative = $path.Substring($full.Length + 1).Replace('\', '/')
            if ($relative -eq 'rookmere.json') { continue }
            $files += [ordered]@{ path = $relative; size = (Get-Item -LiteralPath $path).Length; sha256 = (Get-Sha $path) }
        }
        $data = [ordered]@{}
        if ($extra) { foreach ($key in $extra.Keys) { $data[$key] = $extra[$key] } }
        $data.files = @($files | Sort-Object { $_.path })
        Write-TextFile $manifest (ConvertTo-Json -InputObject $data -Depth 5)
    }

    # A stand-in game folder with the kit unzipped into it, as a player has it.
    function New-Game([string]$name, [string]$under = $TestDrive, $Settings = $null) {
        $game = Join-Parts $under $name
        [void][System.IO.Directory]::CreateDirectory((Join-Parts $game 'package' 'patch_npk'))
        [System.IO.File]::WriteAllBytes((Join-Parts $game 'package' 'patch_npk' 'base.npk'), [byte[]](0..255))
        Write-TextFile (Join-Parts $game 'package' 'config' 'user_scripts.ini') "[scripts]`r`nscript1 = script\quests.lua`r`n"
        Write-TextFile (Join-Parts $game 'package' 'Documents' 'vyr_pad.json') '{"pad":"x"}'
        $launcher = Join-Parts $game 'launcher'
        [void][System.IO.Directory]::CreateDirectory($launcher)
        Copy-Item -LiteralPath $ScriptSource -Destination (Join-Parts $launcher 'actions.ps1')
        Copy-Item -LiteralPath (Join-Parts $Root 'kit' 'launcher' 'kit.json') -Destination (Join-Parts $launcher 'kit.json')
        if ($null -ne $Settings) { Write-TextFile (Join-Parts $launcher 'kit.json') (ConvertTo-Json -InputObject $Settings -Depth 5) }
        Copy-Item -LiteralPath (Join-Parts $Root 'kit' 'game') -Destination (Join-Parts $launcher 'game') -Recurse
        Write-Manifest (Join-Parts $launcher 'game') (Join-Parts $launcher 'game_files.json') $null
        return $game
    }

    function New-Hosts([string]$name, $text) {
        $path = Join-Parts $TestDrive $name
        if ($null -ne $text) { [System.IO.File]::WriteAllBytes($path, $Utf8.GetBytes($text)) }
        return $path
    }

    # Every file (with its SHA-256) and folder below $folder, leaving out the run folder that
    # the launcher reads the last result from.
    function Get-Snapshot([string]$folder) {
        $full = [System.IO.Path]::GetFullPath($folder)
        $lines = foreach ($entry in [System.IO.Directory]::GetFileSystemEntries($full, '*', 'AllDirectories')) {
            $relative = $entry.Substring($full.Length + 1).Replace('\', '/')
            if ($relative -eq 'vyr_launcher' -or $relative -eq 'vyr_launcher/run' -or $relative.StartsWith('vyr_launcher/run/')) { continue }
            if ([System.IO.Directory]::Exists($entry)) { "$relative/" } else { "$relative $(Get-Sha $entry)" }
        }
        return (@($lines) | Sort-Object) -join "`n"
    }

    function ConvertTo-Argument([string]$text) { return '"' + $text + '"' }

    # Starts the script in its own process as the launcher does.
    function Start-Kit([string]$Game, [string[]]$Arguments) {
        $script = Join-Parts $Game 'launcher' 'actions.ps1'
        $prefix = @()
        if ($PSVersionTable.PSEdition -eq 'Desktop') {
            $exe = Join-Parts $env:SystemRoot 'System32' 'WindowsPowerShell' 'v1.0' 'powershell.exe'
        } else {
            $exe = [System.Diagnostics.Process]::GetCurrentProcess().MainModule.FileName
            # PowerShell as a .NET tool runs as "dotnet pwsh.dll".
            if ([System.IO.Path]::GetFileNameWithoutExtension($exe) -eq 'dotnet') { $prefix = @(Join-Parts $PSHOME 'pwsh.dll') }
        }
        $switches = @('-NoProfile', '-NonInteractive', '-ExecutionPolicy', 'Bypass')
        if ($OnWindows) { $switches += @('-WindowStyle', 'Hidden') }
        $all = @($prefix | ForEach-Object { ConvertTo-Argument $_ }) + $switches + @('-File', (ConvertTo-Argument $script)) +
               @($Arguments | ForEach-Object { if ($_.StartsWith('-')) { $_ } else { ConvertTo-Argument $_ } })
        if ($script.Contains('[') -or $script.Contains(']')) {
            # As the launcher does for such a path (5.1's -File takes it as a wildcard pattern):
            # the script's text run as a script block, every value a single-quoted literal.
            $literal = { param($text) "'" + $text.Replace("'", "''") + "'" }
            $command = "try { `$vyrKitScript = [scriptblock]::Create([IO.File]::ReadAllText($(& $literal $script), [Text.Encoding]::Default)) } catch { exit 1 }; & `$vyrKitScript " +
                       (@($Arguments | ForEach-Object { if ($_ -match '^-[A-Za-z]+$') { $_ } else { & $literal $_ } }) -join ' ') + '; exit $LASTEXITCODE'
            $all = @($prefix | ForEach-Object { ConvertTo-Argument $_ }) + $switches + @('-Command', (ConvertTo-Argument $command))
        }
        $info = New-Object System.Diagnostics.ProcessStartInfo
        $info.FileName = $exe
        $info.Arguments = $all -join ' '
        $info.UseShellExecute = $false
        $info.CreateNoWindow = $true
        $info.RedirectStandardInput = $true
        $info.RedirectStandardOutput = $true
        $info.RedirectStandardError = $true
        $info.WorkingDirectory = $TestDrive
        $process = [System.Diagnostics.Process]::Start($info)
        $process.StandardInput.Close()
        return $process
    }

    # Runs the script to its end; standard output read as bytes.
    function Invoke-Kit([string]$Game, [string[]]$Arguments) {
        $process = Start-Kit $Game $Arguments
        $errors = $process.StandardError.ReadToEndAsync()
        $bytes = New-Object System.IO.MemoryStream
        $process.StandardOutput.BaseStream.CopyTo($bytes)
        $process.WaitForExit()
        $out = $Utf8.GetString($bytes.ToArray())
        return [pscustomobject]@{ Code = $process.ExitCode; Out = $out; Err = $errors.Result }
    }

    function Get-Status([string]$Game, [string[]]$Arguments) {
        $run = Invoke-Kit $Game (@('-Action', 'status', '-Kit', $Game) + $Arguments)
        # One JSON object on one line, nothing before it.
        $run.Out | Should -Match '^\{[^\r\n]*\}\r\n$'
        $run.Err | Should -BeNullOrEmpty
        return [pscustomobject]@{ Code = $run.Code; Status = ($run.Out | ConvertFrom-Json); Text = $run.Out }
    }

    # An action as the launcher starts it; the log and result read back.
    function Invoke-Action([string]$Game, [string]$Action, [string]$Hosts, [string[]]$More = @(), [string]$Target = $Game) {
        $runDir = Join-Parts $Target 'vyr_launcher' 'run'
        foreach ($name in @('result.json', 'action.log')) {
            $old = Join-Parts $runDir $name
            if ([System.IO.File]::Exists($old)) { [System.IO.File]::Delete($old) }
        }
        $arguments = @('-Action', $Action, '-Kit', $Game, '-HostsFile', $Hosts, '-RunDir', $runDir) + $More + @('-Game', $Target)
        $run = Invoke-Kit $Game $arguments
        $resultText = Read-Shared (Join-Parts $runDir 'result.json')
        $log = @(Read-Log $runDir)
        # "steps" is always an array, even with one or no element.
        $resultText | Should -Match '"steps":\s*\['
        return [pscustomobject]@{ Code = $run.Code; Result = ($resultText | ConvertFrom-Json); Log = $log; Err = $run.Err }
    }

    # A file the script may still be writing, read as the launcher does (sharing it).
    function Read-Shared([string]$path) {
        $stream = New-Object System.IO.FileStream -ArgumentList $path, 'Open', 'Read', ([System.IO.FileShare]'ReadWrite, Delete')
        try { return (New-Object System.IO.StreamReader -ArgumentList $stream, $Utf8).ReadToEnd() } finally { $stream.Dispose() }
    }

    function Read-Log([string]$runDir) {
        $path = Join-Parts $runDir 'action.log'
        if (-not [System.IO.File]::Exists($path)) { return @() }
        return @((Read-Shared $path) -split "`r`n" | Where-Object { $_ -ne '' })
    }

    function Wait-Until([scriptblock]$condition, [string]$what) {
        $deadline = [DateTime]::UtcNow.AddSeconds(60)
        while (-not (& $condition)) {
            if ([DateTime]::UtcNow -gt $deadline) { throw "timed out waiting for $what" }
            Start-Sleep -Milliseconds 50
        }
    }

    # A junction on Windows (no privilege needed), a symbolic link elsewhere.
    function New-Link([string]$link, [string]$target) {
        [void][System.IO.Directory]::CreateDirectory([System.IO.Path]::GetDirectoryName($link))
        if ($OnWindows) { $null = & cmd.exe /c mklink /J "$link" "$target" } else { & ln -s $target $link }
        $LASTEXITCODE | Should -Be 0
    }
}

Describe 'actions.ps1' {
    It 'keeps to Windows PowerShell 5.1: its syntax, the .NET it calls and its file encoding' {
        $bytes = [System.IO.File]::ReadAllBytes($ScriptSource)
        $bom = $bytes.Length -ge 3 -and $bytes[0] -eq 0xEF -and $bytes[1] -eq 0xBB -and $bytes[2] -eq 0xBF
        if (-not $bom) {
            # Without a byte order mark 5.1 reads the file in the ANSI code page.
            @($bytes | Where-Object { $_ -gt 0x7F }).Count | Should -Be 0 -Because 'the script is ASCII or UTF-8 with a byte order mark'
        }
        $tokens = $null
        $errors = $null
        $ast = [System.Management.Automation.Language.Parser]::ParseFile($ScriptSource, [ref]$tokens, [ref]$errors)
        $errors | Should -BeNullOrEmpty
        # The .NET types and members and the cmdlets' parameters: ps51.Tests.ps1 (tools/ps51).
        $newer = $ast.FindAll({
            param($node)
            $type = $node.GetType().Name
            $nullConditional = $node.PSObject.Properties['NullConditional']
            if ($type -eq 'TernaryExpressionAst' -or $type -eq 'PipelineChainAst') { return $true }
            if ($null -ne $nullConditional -and $nullConditional.Value) { return $true }
            if ($type -eq 'BinaryExpressionAst' -and [string]$node.Operator -eq 'QuestionQuestion') { return $true }
            if ($type -eq 'AssignmentStatementAst' -and [string]$node.Operator -eq 'QuestionQuestionEquals') { return $true }
            if ($type -eq 'ScriptBlockAst' -and $null -ne $node.PSObject.Properties['CleanBlock'] -and $null -ne $node.CleanBlock) { return $true }
            if ($type -eq 'VariableExpressionAst' -and @('IsWindows', 'IsLinux', 'IsMacOS', 'IsCoreCLR') -contains $node.VariablePath.UserPath) { return $true }
            if ($type -eq 'CommandAst') {
                $name = $node.GetCommandName()
                $parameters = @($node.CommandElements | Where-Object { $_.GetType().Name -eq 'CommandParameterAst' } | ForEach-Object { $_.ParameterName })
                $strings = @($node.CommandElements | Where-Object { $_.GetType().Name -eq 'StringConstantExpressionAst' } | ForEach-Object { $_.Value })
                if (@('ForEach-Object', 'foreach', '%') -contains $name -and $parameters -contains 'Parallel') { return $true }
                if ($name -eq 'ConvertFrom-Json' -and ($parameters -contains 'AsHashtable' -or $parameters -contains 'Depth')) { return $true }
                if ($parameters -contains 'AsByteStream' -or $parameters -contains 'AdditionalChildPath') { return $true }
                if ($name -eq 'Join-Path' -and @($node.CommandElements).Count -gt 3 -and $parameters.Count -eq 0) { return $true }
                if (@($strings | Where-Object { $_ -eq 'utf8NoBOM' -or $_ -eq 'utf8BOM' }).Count -gt 0) { return $true }
            }
            return $false
        }, $true)
        @($newer | ForEach-Object { "line $($_.Extent.StartLineNumber): $($_.Extent.Text)" }) | Should -BeNullOrEmpty
    }

    It 'installs and uninstalls: the game folder and the hosts file are byte for byte as before' {
        $game = New-Game "$Odd a"
        $hosts = New-Hosts "hosts $Odd" $HostsStart
        # Hosts-protection tools make it read-only: the change clears that and puts it back.
        [System.IO.File]::SetAttributes($hosts, 'ReadOnly')
        $before = Get-Snapshot $game
        $hostsBefore = [System.IO.File]::ReadAllBytes($hosts)

        $status = Get-Status $game @('-HostsFile', $hosts)
        $status.Code | Should -Be 0
        $status.Status.game | Should -Be $game -Because 'the status is UTF-8, so the path comes back whole'
        $status.Status.installed | Should -BeFalse
        $status.Status.hostsRedirected | Should -BeFalse
        $status.Status.summary | Should -Match 'is not installed'
        $status.Status.kitTitle | Should -Be $KitSettings.title
        ($status.Status.interrupted, $status.Status.busy) | Should -Be @($false, $false)

        $install = Invoke-Action $game 'install' $hosts
        $install.Code | Should -Be 0
        $install.Result.ok | Should -BeTrue
        $install.Log[-1] | Should -Be 'install: done'
        # The plan before any change, then each step counted: three files, the hosts block, the record.
        $bytes = 0
        foreach ($file in (Get-Content -LiteralPath (Join-Parts $game 'launcher' 'game_files.json') -Raw | ConvertFrom-Json).files) { $bytes += $file.size }
        $install.Log[1] | Should -Be "plan: 5 steps, $bytes bytes to write"
        ($install.Result.plannedSteps, $install.Result.plannedBytes) | Should -Be @(5, $bytes)
        $install.Log | Should -Contain "step 1/5: placed package/config/user_scripts.ini (the game's own is kept in vyr_launcher/backup)"
        $install.Log[-2] | Should -Be 'step 5/5: recorded the installation in vyr_launcher/install.json'
        $install.Result.steps | Should -Contain "placed package/config/user_scripts.ini (the game's own is kept in vyr_launcher/backup)"
        [System.IO.File]::GetAttributes($hosts) -band [System.IO.FileAttributes]::ReadOnly | Should -Be ([System.IO.FileAttributes]::ReadOnly)
        $kitFile = Join-Parts $game 'launcher' 'game' 'package' 'config' 'user_scripts.ini'
        Get-Sha (Join-Parts $game 'package' 'config' 'user_scripts.ini') | Should -Be (Get-Sha $kitFile)
        [System.IO.File]::ReadAllText((Join-Parts $game 'vyr_launcher' 'backup' 'package' 'config' 'user_scripts.ini')) | Should -Be "[scripts]`r`nscript1 = script\quests.lua`r`n"
        $hostsText = [System.IO.File]::ReadAllText($hosts)
        $hostsText.StartsWith($HostsStart + "`r`n# BEGIN $($KitSettings.name)`r`n") | Should -BeTrue
        $hostsText | Should -Match "(?m)^203\.0\.113\.7 news\.cindergale\.example`r$"

        $status = Get-Status $game @('-HostsFile', $hosts)
        $status.Status.installed | Should -BeTrue
        $status.Status.installedVersion | Should -Be $KitSettings.version
        $status.Status.hostsRedirected | Should -BeTrue
        @($status.Status.changedFiles).Count | Should -Be 0
        $status.Status.summary | Should -Match 'Every file is as the kit placed it'

        # A second install finds everything in place and changes nothing.
        (Invoke-Action $game 'install' $hosts).Code | Should -Be 0
        $uninstall = Invoke-Action $game 'uninstall' $hosts
        $uninstall.Code | Should -Be 0
        $uninstall.Log[-1] | Should -Be 'uninstall: done'
        Get-Snapshot $game | Should -Be $before
        [System.IO.File]::ReadAllBytes($hosts) | Should -Be $hostsBefore
        [System.IO.File]::GetAttributes($hosts) | Should -Be ([System.IO.FileAttributes]::ReadOnly)
        [System.IO.File]::SetAttributes($hosts, 'Normal')
        @([System.IO.Directory]::GetFileSystemEntries((Join-Parts $game 'vyr_launcher'))).Count | Should -Be 1 -Because 'only the run folder stays'
    }

    It 'repairs a renamed kit: a changed or missing file and the hosts block come back, the kept file stays' {
        # A kit maker's kit: another name and version in kit.json, no title, nothing else changed.
        $settings = [System.IO.File]::ReadAllText((Join-Parts $Root 'kit' 'launcher' 'kit.json')) | ConvertFrom-Json
        $settings.PSObject.Properties.Remove('title')
        $settings.name = 'Ashvale Mirror kit'
        $settings.version = '2.5-beta'
        $game = New-Game "$Odd b" -Settings $settings
        $hosts = New-Hosts 'absent hosts' $null
        $before = Get-Snapshot $game
        # A Thai Windows counts the years of the Buddhist era: the record's date is the invariant one.
        $culture = $env:LC_ALL
        try {
            $env:LC_ALL = 'th_TH.UTF-8'
            (Invoke-Action $game 'install' $hosts).Code | Should -Be 0
        } finally {
            $env:LC_ALL = $culture
        }
        [System.IO.File]::ReadAllText((Join-Parts $game 'vyr_launcher' 'install.json')) | Should -Match ('"installedAt":\s*"' + [DateTime]::UtcNow.Year + '-')
        [System.IO.File]::ReadAllText($hosts) | Should -Match '(?m)^# BEGIN Ashvale Mirror kit\r$'
        $status = Get-Status $game @('-HostsFile', $hosts)
        ($status.Status.kitName, $status.Status.kitTitle, $status.Status.installedVersion) | Should -Be @('Ashvale Mirror kit', 'Ashvale Mirror kit', '2.5-beta')

        $changed = Join-Parts $game 'package' 'config' 'vyr_overlay.ini'
        $kept = Join-Parts $game 'package' 'script' 'vyr_overlay.lua'
        $missing = Join-Parts $game 'package' 'config' 'user_scripts.ini'
        Write-TextFile $changed "toggle = F1`r`n"
        Write-TextFile $kept "-- my own overlay script`r`n"
        [System.IO.File]::Delete($missing)
        [System.IO.File]::WriteAllText($hosts, '')
        $keep = Get-Sha $kept

        $status = Get-Status $game @('-HostsFile', $hosts, '-KeepSha', $keep.ToUpperInvariant())
        $status.Status.hostsRedirected | Should -BeFalse
        @($status.Status.missingFiles) | Should -Be @('package/config/user_scripts.ini')
        $byPath = @{}
        foreach ($file in $status.Status.changedFiles) { $byPath[$file.path] = $file }
        $byPath.Keys.Count | Should -Be 2
        $byPath['package/script/vyr_overlay.lua'].sha256 | Should -Be $keep
        $byPath['package/script/vyr_overlay.lua'].kept | Should -BeTrue
        $byPath['package/config/vyr_overlay.ini'].kept | Should -BeFalse
        $status.Status.summary | Should -Match '2 of its files differ'

        $repair = Invoke-Action $game 'repair' $hosts @('-KeepSha', $keep)
        $repair.Code | Should -Be 0
        $repair.Result.steps | Should -Contain 'put back package/config/vyr_overlay.ini (it differed from the kit)'
        $repair.Result.steps | Should -Contain 'put back package/config/user_scripts.ini (it was missing)'
        $repair.Result.steps | Should -Contain "kept package/script/vyr_overlay.lua as it is (SHA-256 $keep)"
        @($repair.Result.restored | Sort-Object) | Should -Be @('hosts file', 'package/config/user_scripts.ini', 'package/config/vyr_overlay.ini')
        $repair.Log[1] | Should -Match '^plan: 5 steps, [1-9][0-9]* bytes to write$'
        Get-Sha $changed | Should -Be (Get-Sha (Join-Parts $game 'launcher' 'game' 'package' 'config' 'vyr_overlay.ini'))
        Get-Sha $kept | Should -Be $keep
        $status = Get-Status $game @('-HostsFile', $hosts)
        $status.Status.hostsRedirected | Should -BeTrue
        @($status.Status.changedFiles | ForEach-Object { $_.path }) | Should -Be @('package/script/vyr_overlay.lua')
        $status.Status.changedFiles[0].kept | Should -BeFalse -Because 'the keep-hash is the page''s choice, sent with every request'

        # Without the keep-hash repair puts the kit's file back; uninstall removes the hosts
        # file it had to create.
        (Invoke-Action $game 'repair' $hosts).Code | Should -Be 0
        @((Get-Status $game @('-HostsFile', $hosts)).Status.changedFiles).Count | Should -Be 0
        (Invoke-Action $game 'uninstall' $hosts).Code | Should -Be 0
        Get-Snapshot $game | Should -Be $before
        [System.IO.File]::Exists($hosts) | Should -BeFalse
    }

    It 'rolls back a failure half-way and says why: a read-only folder or a file in use' {
        $game = New-Game "$Odd c"
        $hosts = New-Hosts "hosts c" $HostsStart
        $blocked = Join-Parts $game 'package' 'script'
        Write-TextFile (Join-Parts $blocked 'vyr_overlay.lua') "-- the game's own`r`n"
        $before = Get-Snapshot $game
        $hostsBefore = [System.IO.File]::ReadAllBytes($hosts)
        $stream = $null
        $locked = $false
        try {
            if ($OnWindows) {
                # In use: nothing may move or delete it.
                $stream = [System.IO.File]::Open((Join-Parts $blocked 'vyr_overlay.lua'), 'Open', 'Read', 'None')
            } elseif ((& id -u) -eq '0') {
                # Root writes through file modes; an immutable folder stops it too.
                & chattr +i $blocked
                $locked = $LASTEXITCODE -eq 0
                if (-not $locked) { Set-ItResult -Skipped -Because 'chattr +i does not work on this file system' }
            } else {
                & chmod 555 $blocked
            }
            $install = Invoke-Action $game 'install' $hosts
        } finally {
            if ($null -ne $stream) { $stream.Dispose() }
            if ($locked) { & chattr -i $blocked }
            if (-not $OnWindows) { & chmod 755 $blocked }
        }
        $install.Code | Should -Be 1
        $install.Result.ok | Should -BeFalse
        $install.Result.rolledBack | Should -BeTrue
        $install.Result.why | Should -Match '^placing package/script/vyr_overlay\.lua failed: '
        if ($OnWindows) { $install.Result.why | Should -Be 'placing package/script/vyr_overlay.lua failed: package/script/vyr_overlay.lua is in use: close Cindergale, then try again.' }
        $install.Result.warnings | Should -BeNullOrEmpty
        $install.Result.message | Should -Match 'Nothing was changed\.$'
        $install.Result.steps | Should -Contain 'placed package/config/vyr_overlay.ini'
        $install.Log[-1] | Should -Be "install: failed - $($install.Result.why)"
        $install.Result.why | Should -Match '[^.]\.$' -Because 'a why ends with one period'
        Get-Snapshot $game | Should -Be $before
        [System.IO.File]::ReadAllBytes($hosts) | Should -Be $hostsBefore

        # Bad requests are refused before anything is touched, with a result all the same.
        $unknown = Invoke-Action $game 'reinstall' $hosts
        $unknown.Code | Should -Be 2
        $unknown.Result.why | Should -Be "unknown action 'reinstall'."
        $repair = Invoke-Action $game 'repair' $hosts
        $repair.Code | Should -Be 1
        $repair.Result.why | Should -Be "the kit is not installed in $game`: use Install."
        $repair.Result.steps.Count | Should -Be 0
        $noGame = Invoke-Action $game 'install' $hosts -Target (Join-Parts $TestDrive 'no game here')
        $noGame.Code | Should -Be 1
        $noGame.Result.why | Should -Be 'the game folder was not found.'

        # A hosts file in UTF-16 is refused, never rewritten: the files placed before go again.
        $wide = New-Hosts 'hosts c wide' $null
        [System.IO.File]::WriteAllText($wide, $HostsStart, [System.Text.Encoding]::Unicode)
        $wideBefore = [System.IO.File]::ReadAllBytes($wide)
        $refused = Invoke-Action $game 'install' $wide
        ($refused.Code, $refused.Result.rolledBack) | Should -Be @(1, $true)
        $refused.Result.why | Should -Be "changing the hosts file $wide failed: $wide is saved as UTF-16, which the kit does not rewrite: save it as ANSI or UTF-8 (in Notepad: Save As, Encoding), then try again."
        [System.IO.File]::ReadAllBytes($wide) | Should -Be $wideBefore

        # All or nothing: a result that cannot be written undoes the whole run.
        $runDir = Join-Parts $game 'vyr_launcher' 'run'
        [System.IO.File]::Delete((Join-Parts $runDir 'result.json'))
        [void][System.IO.Directory]::CreateDirectory((Join-Parts $runDir 'result.json'))
        $unrecorded = Invoke-Kit $game @('-Action', 'install', '-Kit', $game, '-HostsFile', $hosts, '-RunDir', $runDir, '-Game', $game)
        $unrecorded.Code | Should -Be 1
        $log = Read-Log $runDir
        $log[-1] | Should -Match '^install: failed - recording the result failed: '
        @($log | Where-Object { $_ -match '^rolled back: (\d+) of \1 changes of this run undone$' }).Count | Should -Be 1
        [System.IO.Directory]::Delete((Join-Parts $runDir 'result.json'))
        Get-Snapshot $game | Should -Be $before
        [System.IO.File]::ReadAllBytes($hosts) | Should -Be $hostsBefore
    }

    It 'writes nothing through a link planted at the run folder, the backup folder or in the game tree' {
        # No bracket in this path: the script runs with -File, as the launcher starts it then.
        $game = New-Game "links h $([char]0x00FC)"
        $hosts = New-Hosts 'hosts h' $HostsStart
        $elsewhere = Join-Parts $TestDrive "elsewhere $Odd"
        [void][System.IO.Directory]::CreateDirectory($elsewhere)
        $runDir = Join-Parts $game 'vyr_launcher' 'run'
        $before = Get-Snapshot $game
        foreach ($planted in @(@('vyr_launcher', 'run'), @('vyr_launcher', 'backup'), @('package', 'script'))) {
            $link = Join-Parts $game @planted
            New-Link $link $elsewhere
            $run = Invoke-Kit $game @('-Action', 'install', '-Kit', $game, '-HostsFile', $hosts, '-RunDir', $runDir, '-Game', $game)
            $why = "$link is a link (junction or symbolic link): the kit does not write through links."
            $run.Code | Should -Be 1
            if ($planted[1] -eq 'run') {
                # Not even the why goes through it: it can only be told on standard error.
                $run.Err.Trim() | Should -Be "actions.ps1: $why"
            } else {
                $result = (Read-Shared (Join-Parts $runDir 'result.json')) | ConvertFrom-Json
                ($result.why, $result.rolledBack) | Should -Be @($why, $false) -Because 'it is refused before any change'
            }
            @([System.IO.Directory]::GetFileSystemEntries($elsewhere)).Count | Should -Be 0
            [System.IO.Directory]::Delete($link)
        }
        Get-Snapshot $game | Should -Be $before
        [System.IO.File]::ReadAllText($hosts) | Should -Be $HostsStart
    }

    # A FIFO as the hosts file holds the run at its hosts step, after it has placed the files;
    # Windows has no such file, and its sharing violations are only retried for a few seconds.
    It 'refuses a second run during the first, and the next install rolls back a run killed half-way' -Skip:$OnWindows {
        $game = New-Game "$Odd g"
        $hosts = New-Hosts 'hosts g' $null
        & mkfifo $hosts
        $before = Get-Snapshot $game
        $runDir = Join-Parts $game 'vyr_launcher' 'run'
        $arguments = @('-Action', 'install', '-Kit', $game, '-HostsFile', $hosts, '-RunDir', $runDir, '-Game', $game)
        $first = Start-Kit $game $arguments
        try {
            Wait-Until { @(Read-Log $runDir | Where-Object { $_ -match '^step 1/5: placed ' }).Count -gt 0 } 'the first placed file'
            $second = Invoke-Kit $game $arguments
            $second.Code | Should -Be 1
            ((Read-Shared (Join-Parts $runDir 'result.json')) | ConvertFrom-Json).why | Should -Be 'another action is still running.'
            (Read-Log $runDir)[-1] | Should -Match '^step [1-3]/5: placed ' -Because 'the first run''s log is left alone'
            (Get-Status $game @('-HostsFile', (New-Hosts 'hosts g other' $HostsStart))).Status.busy | Should -BeTrue
        } finally {
            $first.Kill()
            $first.WaitForExit()
        }
        [System.IO.File]::Delete($hosts)
        [System.IO.File]::WriteAllText($hosts, $HostsStart)
        $status = Get-Status $game @('-HostsFile', $hosts)
        ($status.Status.interrupted, $status.Status.busy) | Should -Be @($true, $false)
        $status.Status.summary | Should -Match '^An earlier run \(install of [0-9: -]+\) was interrupted before it finished'

        $install = Invoke-Action $game 'install' $hosts
        $install.Code | Should -Be 0
        $install.Log[1] | Should -Match '^interrupted run: install of \d{4}-\d\d-\d\d \d\d:\d\d:\d\d rolled back, [1-9]\d* changes undone$'
        $install.Log[2] | Should -Match '^plan: 5 steps, '
        (Get-Status $game @('-HostsFile', $hosts)).Status.interrupted | Should -BeFalse
        (Invoke-Action $game 'uninstall' $hosts).Code | Should -Be 0
        Get-Snapshot $game | Should -Be $before
        [System.IO.File]::ReadAllText($hosts) | Should -Be $HostsStart
    }

    It 'rolls back when the disk fills up half-way' -Skip:(-not $CanMount) {
        $disk = Join-Parts $TestDrive 'small disk'
        [void][System.IO.Directory]::CreateDirectory($disk)
        & mount -t tmpfs -o size=1m tmpfs $disk
        if ($LASTEXITCODE -ne 0) { Set-ItResult -Skipped -Because 'no tmpfs could be mounted'; return }
        try {
            $game = New-Game $Odd $disk
            # A kit file larger than what is left: placing it fills the disk.
            $big = Join-Parts $game 'launcher' 'game' 'package' 'patch_npk' 'vyr_terrain.npk'
            [void][System.IO.Directory]::CreateDirectory([System.IO.Path]::GetDirectoryName($big))
            [System.IO.File]::WriteAllBytes($big, (New-Object byte[] (600 * 1024)))
            Write-Manifest (Join-Parts $game 'launcher' 'game') (Join-Parts $game 'launcher' 'game_files.json') $null
            $hosts = New-Hosts 'hosts d' $HostsStart
            $before = Get-Snapshot $game
            $install = Invoke-Action $game 'install' $hosts
            $install.Code | Should -Be 1
            $install.Result.why | Should -Match '^placing package/patch_npk/vyr_terrain\.npk failed: No space left on device'
            $install.Result.steps | Should -Contain "placed package/config/user_scripts.ini (the game's own is kept in vyr_launcher/backup)"
            $install.Log[-1] | Should -Be "install: failed - $($install.Result.why)"
            Get-Snapshot $game | Should -Be $before
            [System.IO.File]::ReadAllText($hosts) | Should -Be $HostsStart
        } finally {
            & umount $disk
        }
    }

    It 'tells the status without -Game for the kit folder, with -Game for that folder, and when it cannot' {
        $game = New-Game "$Odd e"
        $hosts = New-Hosts 'hosts e' $HostsStart
        (Invoke-Action $game 'install' $hosts).Code | Should -Be 0

        # The launcher asks without -Game unless it was started with --game: the kit was
        # unzipped into the game folder.
        $status = Get-Status $game @('-HostsFile', $hosts)
        $status.Status.game | Should -Be $game
        $status.Status.gameFound | Should -BeTrue
        $status.Status.installed | Should -BeTrue
        $other = Join-Parts $TestDrive "other $Odd"
        [void][System.IO.Directory]::CreateDirectory((Join-Parts $other 'package' 'patch_npk'))
        $status = Get-Status $game @('-HostsFile', $hosts, '-Game', $other)
        $status.Status.game | Should -Be $other
        $status.Status.gameFound | Should -BeTrue
        $status.Status.installed | Should -BeFalse
        $status = Get-Status $game @('-HostsFile', $hosts, '-Game', (Join-Parts $TestDrive 'nowhere'))
        $status.Status.gameFound | Should -BeFalse
        $status.Status.summary | Should -Match '^No game was found in '

        # A broken kit still gives one object, with the reason.
        Write-TextFile (Join-Parts $game 'launcher' 'kit.json') '{"name": "VYR", "hosts": '
        $status = Get-Status $game @('-HostsFile', $hosts)
        $status.Code | Should -Be 1
        $status.Status.ok | Should -BeFalse
        $status.Status.why | Should -Match "^the kit's settings cannot be read: "
        $status.Status.summary | Should -Match '^The kit script could not tell the state of the installation: '
    }

    It 'installs the Rookmere kit from a folder or a zip, says plainly when no download source is set, and uninstalls it all' {
        $game = New-Game "$Odd f"
        $hosts = New-Hosts 'hosts f' $HostsStart
        $before = Get-Snapshot $game
        $hostsBefore = [System.IO.File]::ReadAllBytes($hosts)
        $downloads = Join-Parts $TestDrive "Downloads $Odd"
        $rookmere = Join-Parts $downloads 'Rookmere kit 1.2'
        [void][System.IO.Directory]::CreateDirectory((Join-Parts $rookmere 'package' 'patch_npk'))
        [System.IO.File]::WriteAllBytes((Join-Parts $rookmere 'package' 'patch_npk' 'rookmere_map.npk'), [byte[]](1..200))
        Write-TextFile (Join-Parts $rookmere 'package' 'patch_npk' 'base.npk') 'the Rookmere base'
        Write-Manifest $rookmere (Join-Parts $rookmere 'rookmere.json') @{ name = 'Rookmere kit'; version = '1.2' }
        $zip = Join-Parts $downloads 'rookmere kit.zip'
        Add-Type -AssemblyName System.IO.Compression.FileSystem
        [System.IO.Compression.ZipFile]::CreateFromDirectory($rookmere, $zip, 'Optimal', $true)

        $first = Invoke-Action $game 'rookmere' $hosts @('-RookmereDir', $rookmere)
        $first.Code | Should -Be 1
        $first.Result.why | Should -Be "the kit is not installed in $game`: install it first, then the Rookmere kit."
        (Invoke-Action $game 'install' $hosts).Code | Should -Be 0
        $fromDir = Invoke-Action $game 'rookmere' $hosts @('-RookmereDir', $rookmere)
        $fromDir.Code | Should -Be 0
        $fromDir.Result.steps | Should -Contain "placed package/patch_npk/base.npk (the game's own is kept in vyr_launcher/backup)"
        Get-Sha (Join-Parts $game 'package' 'patch_npk' 'rookmere_map.npk') | Should -Be (Get-Sha (Join-Parts $rookmere 'package' 'patch_npk' 'rookmere_map.npk'))
        (Get-Status $game @('-HostsFile', $hosts)).Status.rookmereVersion | Should -Be '1.2'

        [System.IO.File]::Delete((Join-Parts $game 'package' 'patch_npk' 'rookmere_map.npk'))
        $fromZip = Invoke-Action $game 'rookmere' $hosts @('-RookmereZip', $zip)
        $fromZip.Code | Should -Be 0
        $fromZip.Result.steps | Should -Contain 'put back package/patch_npk/rookmere_map.npk (it was missing)'
        [System.IO.Directory]::Exists((Join-Parts $game 'vyr_launcher' 'unpack')) | Should -BeFalse

        $download = Invoke-Action $game 'rookmere' $hosts @('-RookmereDownload')
        $download.Code | Should -Be 1
        $download.Result.why | Should -Be 'no download source is configured for the Rookmere kit: download it yourself, then choose the zip.'
        $damaged = Join-Parts $rookmere 'package' 'patch_npk' 'rookmere_map.npk'
        [System.IO.File]::WriteAllText($damaged, 'cut short')
        $bad = Invoke-Action $game 'rookmere' $hosts @('-RookmereDir', $rookmere)
        $bad.Code | Should -Be 1
        $bad.Result.why | Should -Be 'the Rookmere kit is damaged: package/patch_npk/rookmere_map.npk is missing or not as its manifest says. Download it again.'

        $uninstall = Invoke-Action $game 'uninstall' $hosts
        $uninstall.Code | Should -Be 0
        $uninstall.Result.steps | Should -Contain "put the game's own package/patch_npk/base.npk back"
        Get-Snapshot $game | Should -Be $before
        [System.IO.File]::ReadAllBytes($hosts) | Should -Be $hostsBefore
    }
}

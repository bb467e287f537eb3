# The Windows PowerShell 5.1 check (tools/ps51) on the scripts that run in 5.1: the kit's script
# and the check kit's. In Windows PowerShell itself the suite runs them for real instead.

BeforeDiscovery { $Desktop = $PSVersionTable.PSEdition -eq 'Desktop' }

Describe 'Windows PowerShell 5.1 check' -Skip:$Desktop {
    BeforeAll {
        $Root = [System.IO.Path]::GetFullPath([System.IO.Path]::Combine($PSScriptRoot, '..', '..'))
        Import-Module ([System.IO.Path]::Combine($Root, 'tools', 'ps51', 'Ps51Check.psm1')) -Force
        $Context = New-Ps51Context -Packages ([System.IO.Path]::Combine($Root, 'build', 'deps', 'nuget'))
    }

    It 'finds nothing 5.1 lacks in actions.ps1 and run-checks.ps1' {
        foreach ($path in @([System.IO.Path]::Combine($Root, 'kit', 'launcher', 'actions.ps1'),
                            [System.IO.Path]::Combine($Root, 'scripts', 'run-checks.ps1'))) {
            @(Get-Ps51Findings -Context $Context -Path $path) | Should -BeNullOrEmpty -Because $path
        }
    }

    It 'finds each call 5.1 lacks, and none of the calls it has' {
        $lacks = @('[Text.Encoding]::Latin1', 'ConvertTo-Json -InputObject 1 -AsArray', '[Environment]::ProcessPath',
                   "'{}' | Test-Json", "1, 2 | Join-String -Separator ','", "[IO.File]::Move('a', 'b', `$true)",
                   "[IO.Path]::GetRelativePath('a', 'b')", "[IO.Compression.ZipFile]::OpenRead('k.zip')",
                   "New-Object 'System.Collections.Generic.List[System.Half]'", "1 -as [Text.Json.JsonElement]",
                   '[Convert]::ToHexString($b)', '[Array]::Empty[string]()', 'Start-Sleep -Duration 1')
        foreach ($line in $lacks) { @(Get-Ps51Findings -Context $Context -Text $line).Count | Should -Be 1 -Because $line }
        $has = @("[string]::Join(',', @('a'))", "[string]::IsNullOrWhiteSpace('')", "[IO.Path]::Combine('a', 'b', 'c')",
                 '[Environment+SpecialFolder]::ApplicationData', '[datetime]::new(2026, 1, 1)', '[int]::MaxValue -as [int64]',
                 "Add-Type -AssemblyName System.IO.Compression.FileSystem; [IO.Compression.ZipFile]::OpenRead('k.zip')",
                 "ConvertTo-Json -InputObject 1 -Depth 3 -Compress -ea Stop", '@(1) | % { $_ } | Sort-Object -Desc')
        @(Get-Ps51Findings -Context $Context -Text ($has -join "`n")) | Should -BeNullOrEmpty
    }
}

# What a script asks of Windows PowerShell 5.1, checked from its syntax tree:
# - every .NET type it names ([Type], [Type]::Member, casts, -as/-is, catch, attributes,
#   New-Object TypeName) resolves as 5.1 resolves it (accelerators, then the name, then
#   "System." + the name, then each `using namespace`) in the assemblies 5.1 has loaded (the
#   ones its accelerators live in, plus Add-Type -AssemblyName), read from the .NET Framework
#   4.8 reference assemblies and PowerShell Standard 5.1's System.Management.Automation;
# - every static member it reads or calls exists there, public and static, with an overload
#   that takes that many arguments ([Type]::new is a constructor);
# - every command is a function of the script or a cmdlet of the 5.1 table
#   (windows_powershell_51.psd1, from the 5.1 documentation), and each parameter it names, by
#   full name, unambiguous prefix or alias, is one 5.1 has, with no more positional arguments
#   than 5.1 binds.
# Instance members are not checked: their type is known only when the script runs.
# It runs in PowerShell 7, which has System.Reflection.MetadataLoadContext to read the
# reference assemblies without loading them.

Set-StrictMode -Version 3.0

$script:Table = Import-PowerShellDataFile -LiteralPath ([System.IO.Path]::Combine($PSScriptRoot, 'windows_powershell_51.psd1'))
$script:Accelerators = [System.Collections.Generic.Dictionary[string, string]]::new([System.StringComparer]::OrdinalIgnoreCase)
foreach ($key in $script:Table.Accelerators.Keys) { $script:Accelerators[$key] = $script:Table.Accelerators[$key] }

# The reference assemblies as scripts/setup_powershell.sh restores them into a NuGet folder
# (build/deps/nuget).
function New-Ps51Context {
    param([Parameter(Mandatory)][string]$Packages)
    function Find-Latest([string]$pattern) {
        $found = @(Resolve-Path -Path ([System.IO.Path]::Combine($Packages, $pattern)) -ErrorAction SilentlyContinue | ForEach-Object { $_.ProviderPath } | Sort-Object)
        if ($found.Count -eq 0) { throw "not restored: $pattern in $Packages (run scripts/setup_powershell.sh)" }
        return $found[$found.Count - 1]
    }
    $net48 = Find-Latest 'microsoft.netframework.referenceassemblies.net48/*/build/.NETFramework/v4.8'
    $sma = Find-Latest 'powershellstandard.library/*/lib/net452/System.Management.Automation.dll'
    $runtime = [System.Environment]::Version.Major
    Add-Type -LiteralPath (Find-Latest "system.reflection.metadataloadcontext/*/lib/net$runtime.0/System.Reflection.MetadataLoadContext.dll")
    $paths = [System.Collections.Generic.List[string]]::new()
    foreach ($folder in @($net48, [System.IO.Path]::Combine($net48, 'Facades'))) {
        foreach ($dll in [System.IO.Directory]::GetFiles($folder, '*.dll')) { $paths.Add($dll) }
    }
    $paths.Add($sma)
    $resolver = [System.Reflection.PathAssemblyResolver]::new($paths)
    return [pscustomobject]@{ Context = [System.Reflection.MetadataLoadContext]::new($resolver, 'mscorlib'); Assemblies = @{} }
}

# The public types of the assembly of that simple name by full name ("Outer+Inner",
# "List`1"), any case; $null when the reference set has no such assembly.
function Get-AssemblyTypes($ctx, [string]$name) {
    if (-not $ctx.Assemblies.ContainsKey($name)) {
        $types = $null
        try {
            $assembly = $ctx.Context.LoadFromAssemblyName($name)
            $types = [System.Collections.Generic.Dictionary[string, object]]::new([System.StringComparer]::OrdinalIgnoreCase)
            foreach ($type in $assembly.GetTypes()) {
                if ($type.IsPublic -or $type.IsNestedPublic) { $types[$type.FullName] = $type }
            }
        } catch [System.IO.FileNotFoundException] {
            $types = $null
        }
        $ctx.Assemblies[$name] = $types
    }
    return $ctx.Assemblies[$name]
}

# A type name as the parser reads it: 'List[string]' gives the TypeName of [List[string]].
function ConvertTo-TypeNameAst([string]$text) {
    $tokens = $null
    $errors = $null
    $ast = [System.Management.Automation.Language.Parser]::ParseInput("[$text]", [ref]$tokens, [ref]$errors)
    if ($errors.Count -gt 0) { return $null }
    $expression = $ast.Find({ param($n) $n -is [System.Management.Automation.Language.TypeExpressionAst] }, $true)
    if ($null -eq $expression) { return $null }
    return $expression.TypeName
}

# The metadata type a type name means in 5.1, or $null.
function Resolve-Ps51Type($ctx, $typeName, [string[]]$assemblies, [string[]]$namespaces, [switch]$Attribute) {
    if ($typeName -is [System.Management.Automation.Language.ArrayTypeName]) {
        return Resolve-Ps51Type $ctx $typeName.ElementType $assemblies $namespaces
    }
    $name = $typeName.FullName
    $arity = 0
    if ($typeName -is [System.Management.Automation.Language.GenericTypeName]) {
        foreach ($argument in $typeName.GenericArguments) {
            if ($null -eq (Resolve-Ps51Type $ctx $argument $assemblies $namespaces)) { return $null }
        }
        $name = $typeName.TypeName.FullName
        $arity = $typeName.GenericArguments.Count
    }
    $candidates = [System.Collections.Generic.List[string]]::new()
    if ($arity -eq 0 -and $script:Accelerators.ContainsKey($name)) { $candidates.Add($script:Accelerators[$name]) }
    $candidates.Add($name)
    $candidates.Add("System.$name")
    foreach ($namespace in $namespaces) { $candidates.Add("$namespace.$name") }
    if ($Attribute) { foreach ($candidate in @($candidates)) { $candidates.Add($candidate + 'Attribute') } }
    foreach ($candidate in $candidates) {
        $metadataName = $candidate
        if ($arity -gt 0) { $metadataName += '`' + $arity }
        foreach ($assemblyName in $assemblies) {
            $types = Get-AssemblyTypes $ctx $assemblyName
            if ($null -ne $types -and $types.ContainsKey($metadataName)) { return $types[$metadataName] }
        }
    }
    return $null
}

# Whether a public static member of that name (or a constructor for "new") takes that many
# arguments; $count -lt 0 means a read or write without a call.
function Test-StaticMember($type, [string]$member, [int]$count) {
    $flags = [System.Reflection.BindingFlags]'Public, Static, FlattenHierarchy'
    $properties = @($type.GetProperties($flags) | Where-Object { $_.Name -eq $member })
    if ($count -lt 0) {
        return $properties.Count -gt 0 -or @($type.GetFields($flags) | Where-Object { $_.Name -eq $member }).Count -gt 0
    }
    if ($member -eq 'new') {
        $methods = @($type.GetConstructors())
        if ($type.IsValueType -and $count -eq 0) { return $true }
    } else {
        $methods = @($type.GetMethods($flags) | Where-Object { $_.Name -eq $member })
        # A delegate-valued static property can be called too.
        if ($methods.Count -eq 0) { return $properties.Count -gt 0 }
    }
    foreach ($method in $methods) {
        $parameters = @($method.GetParameters())
        $required = @($parameters | Where-Object { -not $_.IsOptional }).Count
        $last = if ($parameters.Count -gt 0) { $parameters[$parameters.Count - 1] } else { $null }
        $isParams = $null -ne $last -and @($last.GetCustomAttributesData() | Where-Object { $_.AttributeType.Name -eq 'ParamArrayAttribute' }).Count -gt 0
        if ($count -ge $required -and $count -le $parameters.Count) { return $true }
        if ($isParams -and $count -ge $parameters.Count - 1) { return $true }
    }
    return $false
}

function Find-TableEntry([string]$name) {
    foreach ($key in $script:Table.Cmdlets.Keys) {
        $entry = $script:Table.Cmdlets[$key]
        if ($key -eq $name -or ($entry.ContainsKey('Aliases') -and @($entry.Aliases) -contains $name)) {
            return [pscustomobject]@{ Name = $key; Entry = $entry }
        }
    }
    return $null
}

# The parameter a name on the command line binds to: full name, alias or unambiguous prefix.
function Resolve-Parameter($entry, [string]$given) {
    $switches = @($entry.Switches) + @($script:Table.CommonSwitches)
    if ($entry.ContainsKey('ShouldProcess') -and $entry.ShouldProcess) { $switches += @('WhatIf', 'Confirm') }
    $names = @($entry.Parameters) + @($script:Table.CommonParameters) + $switches
    $aliases = @{}
    foreach ($table in @($entry['ParameterAliases'], $script:Table.CommonParameterAliases)) {
        if ($null -ne $table) { foreach ($key in $table.Keys) { $aliases[$key] = $table[$key] } }
    }
    $name = @($names | Where-Object { $_ -eq $given }) | Select-Object -First 1
    if ($null -eq $name -and $aliases.ContainsKey($given)) { $name = $aliases[$given] }
    if ($null -eq $name) {
        $prefixed = @($names | Where-Object { $_.StartsWith($given, [System.StringComparison]::OrdinalIgnoreCase) } | Select-Object -Unique)
        if ($prefixed.Count -eq 1) { $name = $prefixed[0] }
    }
    if ($null -eq $name) { return $null }
    return [pscustomobject]@{ Name = $name; Switch = $switches -contains $name }
}

function Get-CommandFindings($command, [string]$name, $found) {
    $entry = $found.Entry
    $elements = @($command.CommandElements)
    $positional = 0
    $splatted = $false
    for ($i = 1; $i -lt $elements.Count; $i++) {
        $element = $elements[$i]
        if ($element -is [System.Management.Automation.Language.CommandParameterAst]) {
            $parameter = Resolve-Parameter $entry $element.ParameterName
            if ($null -eq $parameter) {
                "$($found.Name) has no parameter -$($element.ParameterName) in Windows PowerShell 5.1"
                continue
            }
            # "-Name value" takes the next element; "-Name:value" and switches do not.
            if (-not $parameter.Switch -and $null -eq $element.Argument) { $i++ }
        } elseif ($element -is [System.Management.Automation.Language.VariableExpressionAst] -and $element.Splatted) {
            $splatted = $true
        } else {
            $positional++
        }
    }
    if (-not $splatted -and -not ($entry.ContainsKey('Remaining') -and $entry.Remaining) -and $positional -gt $entry.Positional) {
        "$($found.Name) takes at most $($entry.Positional) positional arguments in Windows PowerShell 5.1, not $positional"
    }
}

function Get-Ps51Findings {
    <#
    .SYNOPSIS
    What a script names that Windows PowerShell 5.1 lacks, as "line N: text: why" lines.
    #>
    param([Parameter(Mandatory)]$Context, [string]$Path, [string]$Text)
    $tokens = $null
    $errors = $null
    if ($Path) {
        $ast = [System.Management.Automation.Language.Parser]::ParseFile($Path, [ref]$tokens, [ref]$errors)
    } else {
        $ast = [System.Management.Automation.Language.Parser]::ParseInput($Text, [ref]$tokens, [ref]$errors)
    }
    foreach ($e in $errors) { "line $($e.Extent.StartLineNumber): $($e.Message)" }
    $all = @($ast.FindAll({ $true }, $true))

    $assemblies = @($script:Table.DefaultAssemblies)
    $namespaces = @($ast.UsingStatements | Where-Object { $_.UsingStatementKind -eq 'Namespace' } | ForEach-Object { $_.Name.Value })
    $functions = @{}
    $defined = @{}
    foreach ($node in $all) {
        if ($node -is [System.Management.Automation.Language.FunctionDefinitionAst]) { $functions[$node.Name] = $true }
        if ($node -is [System.Management.Automation.Language.TypeDefinitionAst]) { $defined[$node.Name] = $true }
        if ($node -is [System.Management.Automation.Language.CommandAst] -and $node.GetCommandName() -eq 'Add-Type') {
            $elements = @($node.CommandElements)
            for ($i = 1; $i -lt $elements.Count - 1; $i++) {
                if ($elements[$i] -is [System.Management.Automation.Language.CommandParameterAst] -and $elements[$i].ParameterName -in @('AssemblyName', 'AN')) {
                    foreach ($value in @($elements[$i + 1].SafeGetValue())) { $assemblies += [string]$value }
                }
            }
        }
    }

    foreach ($node in $all) {
        $text = ($node.Extent.Text -split "`r?`n")[0]
        if ($text.Length -gt 100) { $text = $text.Substring(0, 100) + '...' }
        $line = "line $($node.Extent.StartLineNumber): $text"
        $typeName = $null
        $attribute = $false
        if ($node -is [System.Management.Automation.Language.TypeExpressionAst] -or $node -is [System.Management.Automation.Language.TypeConstraintAst]) {
            $typeName = $node.TypeName
        } elseif ($node -is [System.Management.Automation.Language.AttributeAst]) {
            $typeName = $node.TypeName
            $attribute = $true
        } elseif ($node -is [System.Management.Automation.Language.CommandAst] -and $node.GetCommandName() -eq 'New-Object') {
            # The type is the value of -TypeName, or else the first argument that binds by position.
            $elements = @($node.CommandElements)
            $value = $null
            for ($i = 1; $i -lt $elements.Count -and $null -eq $value; $i++) {
                $element = $elements[$i]
                if ($element -is [System.Management.Automation.Language.CommandParameterAst]) {
                    if ($element.ParameterName -eq 'TypeName') { $value = $elements[$i + 1] }
                    elseif ($element.ParameterName -ne 'Strict' -and $null -eq $element.Argument) { $i++ }
                } else {
                    $value = $element
                }
            }
            if ($value -is [System.Management.Automation.Language.StringConstantExpressionAst]) {
                $typeName = ConvertTo-TypeNameAst $value.Value
                if ($null -eq $typeName) { "${line}: the type name '$($value.Value)' does not parse" }
            }
        }
        if ($null -ne $typeName) {
            $plain = $typeName.FullName
            if ($plain -eq 'ordered' -or $defined.ContainsKey($plain)) { continue }
            if ($null -eq (Resolve-Ps51Type $Context $typeName $assemblies $namespaces -Attribute:$attribute)) {
                "${line}: no type [$plain] in Windows PowerShell 5.1 (.NET Framework 4.8)"
            }
            continue
        }
        if (($node -is [System.Management.Automation.Language.MemberExpressionAst]) -and $node.Static -and
            $node.Expression -is [System.Management.Automation.Language.TypeExpressionAst] -and
            $node.Member -is [System.Management.Automation.Language.StringConstantExpressionAst]) {
            $type = Resolve-Ps51Type $Context $node.Expression.TypeName $assemblies $namespaces
            if ($null -eq $type) { continue }  # already reported with the type
            $count = -1
            if ($node -is [System.Management.Automation.Language.InvokeMemberExpressionAst]) {
                $count = 0
                if ($null -ne $node.Arguments) { $count = $node.Arguments.Count }
                # [T]::M[G]() is PowerShell 7.3's; 5.1 cannot parse it.
                $generic = $node.PSObject.Properties['GenericTypeArguments']
                if ($null -ne $generic -and $null -ne $generic.Value -and $generic.Value.Count -gt 0) {
                    "${line}: a generic method call, which 5.1 cannot parse"
                }
            }
            if (-not (Test-StaticMember $type $node.Member.Value $count)) {
                $what = if ($count -lt 0) { "static property or field $($node.Member.Value)" } else { "static method $($node.Member.Value) taking $count arguments" }
                "${line}: no $what on $($type.FullName) in .NET Framework 4.8"
            }
            continue
        }
        if ($node -is [System.Management.Automation.Language.CommandAst]) {
            $name = $node.GetCommandName()
            # Programs (a path or an extension) are not cmdlets; the script calls them by full path.
            if ($null -eq $name -or $functions.ContainsKey($name) -or $name -match '[\\/]|\.(exe|com|cmd|bat)$') { continue }
            $found = Find-TableEntry $name
            if ($null -eq $found) {
                "${line}: $name is not a Windows PowerShell 5.1 command (not in the 5.1 cmdlet table)"
                continue
            }
            foreach ($why in @(Get-CommandFindings $node $name $found)) { "${line}: $why" }
        }
    }
}

Export-ModuleMember -Function New-Ps51Context, Get-Ps51Findings

# What Windows PowerShell 5.1 offers a script, as its documentation gives it; read by
# Ps51Check.psm1. A cmdlet a kit's script starts to use gets its row here, from its 5.1 page
# (learn.microsoft.com/powershell/module/<module>/<cmdlet>?view=powershell-5.1).
@{
    # about_Type_Accelerators (view=powershell-5.1): accelerator -> full type name.
    Accelerators = @{
        adsi = 'System.DirectoryServices.DirectoryEntry'; adsisearcher = 'System.DirectoryServices.DirectorySearcher'
        Alias = 'System.Management.Automation.AliasAttribute'; AllowEmptyCollection = 'System.Management.Automation.AllowEmptyCollectionAttribute'
        AllowEmptyString = 'System.Management.Automation.AllowEmptyStringAttribute'; AllowNull = 'System.Management.Automation.AllowNullAttribute'
        ArgumentCompleter = 'System.Management.Automation.ArgumentCompleterAttribute'; array = 'System.Array'
        bigint = 'System.Numerics.BigInteger'; bool = 'System.Boolean'; byte = 'System.Byte'; char = 'System.Char'
        cimclass = 'Microsoft.Management.Infrastructure.CimClass'; cimconverter = 'Microsoft.Management.Infrastructure.CimConverter'
        ciminstance = 'Microsoft.Management.Infrastructure.CimInstance'; CimSession = 'Microsoft.Management.Infrastructure.CimSession'
        cimtype = 'Microsoft.Management.Infrastructure.CimType'; CmdletBinding = 'System.Management.Automation.CmdletBindingAttribute'
        cultureinfo = 'System.Globalization.CultureInfo'; datetime = 'System.DateTime'; decimal = 'System.Decimal'; double = 'System.Double'
        DscLocalConfigurationManager = 'System.Management.Automation.DscLocalConfigurationManagerAttribute'
        DscProperty = 'System.Management.Automation.DscPropertyAttribute'; DscResource = 'System.Management.Automation.DscResourceAttribute'
        float = 'System.Single'; guid = 'System.Guid'; hashtable = 'System.Collections.Hashtable'
        initialsessionstate = 'System.Management.Automation.Runspaces.InitialSessionState'
        int = 'System.Int32'; int16 = 'System.Int16'; int32 = 'System.Int32'; int64 = 'System.Int64'
        ipaddress = 'System.Net.IPAddress'; IPEndpoint = 'System.Net.IPEndPoint'; long = 'System.Int64'
        mailaddress = 'System.Net.Mail.MailAddress'; NullString = 'System.Management.Automation.Language.NullString'
        ObjectSecurity = 'System.Security.AccessControl.ObjectSecurity'; OutputType = 'System.Management.Automation.OutputTypeAttribute'
        Parameter = 'System.Management.Automation.ParameterAttribute'; PhysicalAddress = 'System.Net.NetworkInformation.PhysicalAddress'
        powershell = 'System.Management.Automation.PowerShell'; psaliasproperty = 'System.Management.Automation.PSAliasProperty'
        pscredential = 'System.Management.Automation.PSCredential'; pscustomobject = 'System.Management.Automation.PSObject'
        PSDefaultValue = 'System.Management.Automation.PSDefaultValueAttribute'; pslistmodifier = 'System.Management.Automation.PSListModifier'
        psmoduleinfo = 'System.Management.Automation.PSModuleInfo'; psnoteproperty = 'System.Management.Automation.PSNoteProperty'
        psobject = 'System.Management.Automation.PSObject'; psprimitivedictionary = 'System.Management.Automation.PSPrimitiveDictionary'
        psscriptmethod = 'System.Management.Automation.PSScriptMethod'; psscriptproperty = 'System.Management.Automation.PSScriptProperty'
        PSTypeNameAttribute = 'System.Management.Automation.PSTypeNameAttribute'; psvariable = 'System.Management.Automation.PSVariable'
        psvariableproperty = 'System.Management.Automation.PSVariableProperty'; ref = 'System.Management.Automation.PSReference'
        regex = 'System.Text.RegularExpressions.Regex'; runspace = 'System.Management.Automation.Runspaces.Runspace'
        runspacefactory = 'System.Management.Automation.Runspaces.RunspaceFactory'; sbyte = 'System.SByte'
        scriptblock = 'System.Management.Automation.ScriptBlock'; securestring = 'System.Security.SecureString'
        single = 'System.Single'; string = 'System.String'; SupportsWildcards = 'System.Management.Automation.SupportsWildcardsAttribute'
        switch = 'System.Management.Automation.SwitchParameter'; timespan = 'System.TimeSpan'; type = 'System.Type'
        uint16 = 'System.UInt16'; uint32 = 'System.UInt32'; uint64 = 'System.UInt64'; uri = 'System.Uri'
        ValidateCount = 'System.Management.Automation.ValidateCountAttribute'; ValidateDrive = 'System.Management.Automation.ValidateDriveAttribute'
        ValidateLength = 'System.Management.Automation.ValidateLengthAttribute'; ValidateNotNull = 'System.Management.Automation.ValidateNotNullAttribute'
        ValidateNotNullOrEmpty = 'System.Management.Automation.ValidateNotNullOrEmptyAttribute'; ValidatePattern = 'System.Management.Automation.ValidatePatternAttribute'
        ValidateRange = 'System.Management.Automation.ValidateRangeAttribute'; ValidateScript = 'System.Management.Automation.ValidateScriptAttribute'
        ValidateSet = 'System.Management.Automation.ValidateSetAttribute'; ValidateTrustedData = 'System.Management.Automation.ValidateTrustedDataAttribute'
        ValidateUserDrive = 'System.Management.Automation.ValidateUserDriveAttribute'; version = 'System.Version'; void = 'System.Void'
        WildcardPattern = 'System.Management.Automation.WildcardPattern'; wmi = 'System.Management.ManagementObject'
        wmiclass = 'System.Management.ManagementClass'; wmisearcher = 'System.Management.ManagementObjectSearcher'
        X500DistinguishedName = 'System.Security.Cryptography.X509Certificates.X500DistinguishedName'
        X509Certificate = 'System.Security.Cryptography.X509Certificates.X509Certificate'; xml = 'System.Xml.XmlDocument'
    }

    # The assemblies every 5.1 session has: the .NET core library and those its accelerators
    # live in. Any other needs Add-Type -AssemblyName (System.IO.Compression.FileSystem for
    # [System.IO.Compression.ZipFile]).
    DefaultAssemblies = @('mscorlib', 'System', 'System.Core', 'System.Management.Automation', 'System.Xml',
                          'System.Numerics', 'System.DirectoryServices', 'System.Management')

    # about_CommonParameters (view=powershell-5.1).
    CommonParameters = @('Debug', 'ErrorAction', 'ErrorVariable', 'InformationAction', 'InformationVariable', 'OutBuffer',
                         'OutVariable', 'PipelineVariable', 'Verbose', 'WarningAction', 'WarningVariable')
    CommonSwitches = @('Debug', 'Verbose')
    CommonParameterAliases = @{ db = 'Debug'; ea = 'ErrorAction'; ev = 'ErrorVariable'; infa = 'InformationAction'; iv = 'InformationVariable'
                                ob = 'OutBuffer'; ov = 'OutVariable'; pv = 'PipelineVariable'; vb = 'Verbose'; wa = 'WarningAction'; wv = 'WarningVariable' }

    # Each cmdlet: Parameters (take a value), Switches, Positional (how many arguments bind by
    # position, in the set that binds the most), Remaining (a parameter takes the rest),
    # ShouldProcess (-WhatIf/-Confirm), ParameterAliases, Aliases (the command's own).
    Cmdlets = @{
        # microsoft.powershell.utility/add-type?view=powershell-5.1
        'Add-Type' = @{
            Parameters = @('AssemblyName', 'CodeDomProvider', 'CompilerParameters', 'Language', 'LiteralPath', 'MemberDefinition', 'Name',
                           'Namespace', 'OutputAssembly', 'OutputType', 'Path', 'ReferencedAssemblies', 'TypeDefinition', 'UsingNamespace')
            Switches = @('IgnoreWarnings', 'PassThru'); Positional = 2
            ParameterAliases = @{ AN = 'AssemblyName'; Provider = 'CodeDomProvider'; CP = 'CompilerParameters'; PSPath = 'LiteralPath'
                                  OA = 'OutputAssembly'; OT = 'OutputType'; RA = 'ReferencedAssemblies'; Using = 'UsingNamespace' }
        }
        # microsoft.powershell.utility/convertfrom-json?view=powershell-5.1
        'ConvertFrom-Json' = @{ Parameters = @('InputObject'); Switches = @(); Positional = 1 }
        # microsoft.powershell.utility/convertto-json?view=powershell-5.1
        'ConvertTo-Json' = @{ Parameters = @('InputObject', 'Depth'); Switches = @('Compress'); Positional = 1 }
        # microsoft.powershell.core/foreach-object?view=powershell-5.1
        'ForEach-Object' = @{
            Parameters = @('InputObject', 'Begin', 'Process', 'End', 'RemainingScripts', 'MemberName', 'ArgumentList')
            Switches = @(); Positional = 1; Remaining = $true; ShouldProcess = $true
            ParameterAliases = @{ Args = 'ArgumentList' }; Aliases = @('%', 'foreach')
        }
        # microsoft.powershell.core/where-object?view=powershell-5.1
        'Where-Object' = @{
            Parameters = @('InputObject', 'FilterScript', 'Property', 'Value')
            Switches = @('EQ', 'CEQ', 'NE', 'CNE', 'GT', 'CGT', 'LT', 'CLT', 'GE', 'CGE', 'LE', 'CLE', 'Like', 'CLike', 'NotLike', 'CNotLike',
                         'Match', 'CMatch', 'NotMatch', 'CNotMatch', 'Contains', 'CContains', 'NotContains', 'CNotContains',
                         'In', 'CIn', 'NotIn', 'CNotIn', 'Is', 'IsNot')
            Positional = 2; Aliases = @('?', 'where')
        }
        # microsoft.powershell.core/get-command?view=powershell-5.1
        'Get-Command' = @{
            Parameters = @('Name', 'ArgumentList', 'Verb', 'Noun', 'Module', 'FullyQualifiedModule', 'CommandType', 'TotalCount',
                           'ParameterName', 'ParameterType')
            Switches = @('Syntax', 'ShowCommandInfo', 'All', 'ListImported'); Positional = 2; Remaining = $true
            ParameterAliases = @{ Args = 'ArgumentList'; PSSnapin = 'Module'; Type = 'CommandType' }; Aliases = @('gcm')
        }
        # microsoft.powershell.utility/get-date?view=powershell-5.1
        'Get-Date' = @{
            Parameters = @('Date', 'Year', 'Month', 'Day', 'Hour', 'Minute', 'Second', 'Millisecond', 'DisplayHint', 'Format', 'UFormat')
            Switches = @(); Positional = 1; ParameterAliases = @{ LastWriteTime = 'Date' }
        }
        # microsoft.powershell.utility/new-object?view=powershell-5.1
        'New-Object' = @{
            Parameters = @('TypeName', 'ArgumentList', 'Property', 'ComObject'); Switches = @('Strict'); Positional = 2
            ParameterAliases = @{ Args = 'ArgumentList' }
        }
        # microsoft.powershell.utility/start-sleep?view=powershell-5.1 (Int32 seconds; no -Duration)
        'Start-Sleep' = @{ Parameters = @('Seconds', 'Milliseconds'); Switches = @(); Positional = 1; Aliases = @('sleep') }
        # microsoft.powershell.core/set-strictmode?view=powershell-5.1
        'Set-StrictMode' = @{ Parameters = @('Version'); Switches = @('Off'); Positional = 0; ParameterAliases = @{ v = 'Version' } }
        # microsoft.powershell.utility/sort-object?view=powershell-5.1
        'Sort-Object' = @{
            Parameters = @('Property', 'InputObject', 'Culture'); Switches = @('Descending', 'Unique', 'CaseSensitive'); Positional = 1
            Aliases = @('sort')
        }
        # dnsclient/clear-dnsclientcache (the DnsClient module of Windows 8 and later)
        'Clear-DnsClientCache' = @{ Parameters = @('CimSession', 'ThrottleLimit'); Switches = @('AsJob'); Positional = 0; ShouldProcess = $true }
        # microsoft.powershell.core/import-module?view=powershell-5.1 (the check kit's script)
        'Import-Module' = @{
            Parameters = @('Name', 'FullyQualifiedName', 'Assembly', 'ModuleInfo', 'Prefix', 'Function', 'Cmdlet', 'Variable', 'Alias',
                           'ArgumentList', 'MinimumVersion', 'MaximumVersion', 'RequiredVersion', 'Scope', 'PSSession',
                           'CimSession', 'CimResourceUri', 'CimNamespace')
            Switches = @('Force', 'Global', 'PassThru', 'AsCustomObject', 'DisableNameChecking', 'NoClobber'); Positional = 1
            ParameterAliases = @{ Args = 'ArgumentList'; Version = 'MinimumVersion' }; Aliases = @('ipmo')
        }
        # microsoft.powershell.utility/unblock-file?view=powershell-5.1 (the check kit's script)
        'Unblock-File' = @{ Parameters = @('Path', 'LiteralPath'); Switches = @(); Positional = 1; ShouldProcess = $true
                            ParameterAliases = @{ PSPath = 'LiteralPath' } }
        # Pester 5.7.1, which the check kit ships (pester.dev/docs/commands/New-PesterConfiguration, .../Invoke-Pester)
        'New-PesterConfiguration' = @{ Parameters = @('Hashtable'); Switches = @(); Positional = 1 }
        'Invoke-Pester' = @{
            Parameters = @('Path', 'ExcludePath', 'TagFilter', 'ExcludeTagFilter', 'FullNameFilter', 'Output', 'Container', 'Configuration')
            Switches = @('CI', 'PassThru'); Positional = 1
        }
    }
}

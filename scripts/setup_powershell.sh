#!/usr/bin/env bash
# PowerShell 7 and Pester for the tests of the kit's script. PowerShell is the .NET tool pinned
# in .config/dotnet-tools.json (restored into the NuGet cache); Pester is restored from NuGet
# into build/deps/nuget like the WebView2 SDK, and so is what the Windows PowerShell 5.1 check
# (tools/ps51) reads: the .NET Framework 4.8 reference assemblies, PowerShell Standard 5.1's
# System.Management.Automation and the metadata reader. Installs only what is missing.
#
#   bash scripts/setup_powershell.sh            install what is missing
#   bash scripts/setup_powershell.sh --paths    the same, then print two lines:
#                                               "pwsh PATH" (pwsh.dll, run with dotnet) and
#                                               "pester PATH" (Pester.psd1)
set -euo pipefail
cd "$(dirname "$0")/.."

PESTER_VERSION=5.7.1
NET48_REF_VERSION=1.0.3
PS_STANDARD_VERSION=5.1.1
MLC_VERSION=10.0.12
nuget_dir="$PWD/build/deps/nuget"
pester="$nuget_dir/pester/$PESTER_VERSION/tools/Pester.psd1"
ps51_refs=("$nuget_dir/microsoft.netframework.referenceassemblies.net48/$NET48_REF_VERSION"
           "$nuget_dir/powershellstandard.library/$PS_STANDARD_VERSION"
           "$nuget_dir/system.reflection.metadataloadcontext/$MLC_VERSION")

command -v dotnet >/dev/null || { echo "setup: the .NET SDK (dotnet) is needed for PowerShell" >&2; exit 1; }

# Where the restored tool keeps pwsh.dll; asking the tool itself also proves it runs.
pwsh_home() { dotnet tool run pwsh -NoProfile -NonInteractive -Command '$PSHOME' 2>/dev/null; }

home="$(pwsh_home || true)"
if [ -z "$home" ]; then
    echo "setup: restoring PowerShell (dotnet tool restore)"
    dotnet tool restore >/dev/null
    home="$(pwsh_home)"
fi

if [ ! -f "$pester" ]; then
    echo "setup: restoring Pester $PESTER_VERSION"
    # Restored from a copy so that no obj/ folder lands in the source tree.
    restore_dir="$PWD/build/deps/restore-pester"
    mkdir -p "$restore_dir"
    cp scripts/pester/restore.csproj "$restore_dir/restore.csproj"
    dotnet restore "$restore_dir/restore.csproj" --packages "$nuget_dir" \
        -p:PesterVersion="$PESTER_VERSION" >/dev/null
    [ -f "$pester" ] || { echo "setup: Pester $PESTER_VERSION was not restored" >&2; exit 1; }
fi

missing_refs=0
for ref in "${ps51_refs[@]}"; do [ -d "$ref" ] || missing_refs=1; done
if [ "$missing_refs" = 1 ]; then
    echo "setup: restoring the .NET Framework 4.8 reference assemblies for the 5.1 check"
    restore_dir="$PWD/build/deps/restore-ps51"
    mkdir -p "$restore_dir"
    cp scripts/ps51/restore.csproj "$restore_dir/restore.csproj"
    dotnet restore "$restore_dir/restore.csproj" --packages "$nuget_dir" \
        -p:Net48RefVersion="$NET48_REF_VERSION" -p:PSStandardVersion="$PS_STANDARD_VERSION" \
        -p:MlcVersion="$MLC_VERSION" >/dev/null
    for ref in "${ps51_refs[@]}"; do
        [ -d "$ref" ] || { echo "setup: $ref was not restored" >&2; exit 1; }
    done
fi

if [ "${1:-}" = "--paths" ]; then
    echo "pwsh $home/pwsh.dll"
    echo "pester $pester"
fi

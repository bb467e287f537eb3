#!/usr/bin/env bash
# PowerShell 7 and Pester for the tests of the kit's script. PowerShell is the .NET tool pinned
# in .config/dotnet-tools.json (restored into the NuGet cache); Pester is restored from NuGet
# into build/deps/nuget like the WebView2 SDK. Installs only what is missing.
#
#   bash scripts/setup_powershell.sh            install what is missing
#   bash scripts/setup_powershell.sh --paths    the same, then print two lines:
#                                               "pwsh PATH" (pwsh.dll, run with dotnet) and
#                                               "pester PATH" (Pester.psd1)
set -euo pipefail
cd "$(dirname "$0")/.."

PESTER_VERSION=5.7.1
nuget_dir="$PWD/build/deps/nuget"
pester="$nuget_dir/pester/$PESTER_VERSION/tools/Pester.psd1"

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

if [ "${1:-}" = "--paths" ]; then
    echo "pwsh $home/pwsh.dll"
    echo "pester $pester"
fi

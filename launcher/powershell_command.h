#pragma once
#include <string>
#include <vector>

// How the launcher starts the kit's PowerShell script: program path, switches, parameters.

// The kit folders the script is told about; gameDir and hostsFile may be empty.
struct ScriptLocations {
    std::wstring scriptPath;
    std::wstring kitDir;
    std::wstring gameDir;   // --game
    std::wstring hostsFile; // --hosts, sandbox mode
};

// Windows PowerShell under the given system folder; never searched for on the PATH.
std::wstring powershellPathIn(const std::wstring& systemDirectory);

// The text as one command-line argument between double quotes. Backslashes before the closing
// quote are doubled, so a drive root such as C:\ does not swallow the arguments after it.
std::wstring quoteArgument(const std::wstring& text);

// Switches, the script, -Action, -Kit and, when set, -Game and -HostsFile.
std::wstring scriptArguments(const std::wstring& action, const ScriptLocations& where);

// The status query's whole command line: quoted program, one blank, the script arguments and,
// when given, " -KeepSha " with the hash unquoted.
std::wstring statusCommandLine(const std::wstring& powershell, const ScriptLocations& where,
                               const std::wstring& keepSha);

// The run folder of an action and the two files the script writes there.
std::wstring actionRunDir(const std::wstring& gameDir);
std::wstring actionLogPath(const std::wstring& runDir);
std::wstring actionResultPath(const std::wstring& runDir);

// An action's parameters: the script arguments, -RunDir, the page's extra arguments and, only
// when --game did not name the game folder already, -Game with the job's folder.
std::wstring actionArguments(const std::wstring& action, const ScriptLocations& where,
                             const std::wstring& jobGameDir, const std::wstring& extraArguments);

// Windows PowerShell 5.1 looks the script path after -File up as a command, and a path that
// holds [ or ] is taken as a wildcard pattern first: an unmatched [ fails the start, and a
// bracket pair can match another file, which would run instead (PowerShell issue 4726, fixed
// only in PowerShell 7). Such a script is loaded from its literal path with -Command.
bool needsLiteralScriptLoad(const std::wstring& scriptPath);

// The text as a PowerShell single-quoted string: every character PowerShell takes for a single
// quote (' and U+2018 to U+201B) is doubled.
std::wstring powershellLiteral(const std::wstring& text);

// A command line's arguments split by the Windows rules: the inverse of quoteArgument.
std::vector<std::wstring> splitArguments(const std::wstring& text);

// -File arguments ("switches -File script parameters...") as -Command arguments that run the
// script's text as a script block with the same parameters, every value a literal, and end with
// its exit code.
std::wstring literalLoadArguments(const std::wstring& fileArguments);

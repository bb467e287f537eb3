#include "powershell_command.h"

std::wstring powershellPathIn(const std::wstring& systemDirectory) {
    return systemDirectory + L"\\WindowsPowerShell\\v1.0\\powershell.exe";
}

std::wstring quoteArgument(const std::wstring& text) {
    // The Windows argument rules: backslashes count only before a double quote, where each
    // pair gives one backslash and an odd one escapes the quote.
    std::wstring out = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : text) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"')
            out.append(backslashes * 2 + 1, L'\\');
        else
            out.append(backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\');
    out += L'"';
    return out;
}

std::wstring scriptArguments(const std::wstring& action, const ScriptLocations& where) {
    std::wstring out = L"-NoProfile -NonInteractive -ExecutionPolicy Bypass -WindowStyle Hidden "
                       L"-File " +
                       quoteArgument(where.scriptPath);
    out += L" -Action " + action;
    out += L" -Kit " + quoteArgument(where.kitDir);
    if (!where.gameDir.empty())
        out += L" -Game " + quoteArgument(where.gameDir);
    if (!where.hostsFile.empty())
        out += L" -HostsFile " + quoteArgument(where.hostsFile);
    return out;
}

std::wstring statusCommandLine(const std::wstring& powershell, const ScriptLocations& where,
                               const std::wstring& keepSha) {
    std::wstring out = quoteArgument(powershell) + L" " + scriptArguments(L"status", where);
    if (!keepSha.empty())
        out += L" -KeepSha " + keepSha;
    return out;
}

std::wstring actionRunDir(const std::wstring& gameDir) {
    return gameDir + L"\\vyr_launcher\\run";
}

std::wstring actionLogPath(const std::wstring& runDir) {
    return runDir + L"\\action.log";
}

std::wstring actionResultPath(const std::wstring& runDir) {
    return runDir + L"\\result.json";
}

std::wstring actionArguments(const std::wstring& action, const ScriptLocations& where,
                             const std::wstring& jobGameDir, const std::wstring& extraArguments) {
    std::wstring out = scriptArguments(action, where);
    out += L" -RunDir " + quoteArgument(actionRunDir(jobGameDir));
    out += extraArguments;
    if (where.gameDir.empty())
        out += L" -Game " + quoteArgument(jobGameDir);
    return out;
}

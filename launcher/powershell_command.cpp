#include "powershell_command.h"

#include <utility>

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

namespace {

// The finished -File arguments, or their -Command form where -File would glob the script path.
std::wstring finished(std::wstring arguments, const ScriptLocations& where) {
    return needsLiteralScriptLoad(where.scriptPath) ? literalLoadArguments(arguments) : arguments;
}

bool isParameterName(const std::wstring& token) {
    if (token.size() < 2 || token[0] != L'-')
        return false;
    for (size_t i = 1; i < token.size(); ++i)
        if (!((token[i] >= L'A' && token[i] <= L'Z') || (token[i] >= L'a' && token[i] <= L'z')))
            return false;
    return true;
}

} // namespace

std::wstring statusCommandLine(const std::wstring& powershell, const ScriptLocations& where,
                               const std::wstring& keepSha) {
    std::wstring arguments = scriptArguments(L"status", where);
    if (!keepSha.empty())
        arguments += L" -KeepSha " + keepSha;
    return quoteArgument(powershell) + L" " + finished(std::move(arguments), where);
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
    return finished(std::move(out), where);
}

bool needsLiteralScriptLoad(const std::wstring& scriptPath) {
    return scriptPath.find_first_of(L"[]") != std::wstring::npos;
}

std::wstring powershellLiteral(const std::wstring& text) {
    std::wstring out = L"'";
    for (wchar_t c : text) {
        out += c;
        if (c == L'\'' || (c >= 0x2018 && c <= 0x201B))
            out += c;
    }
    out += L'\'';
    return out;
}

std::vector<std::wstring> splitArguments(const std::wstring& text) {
    std::vector<std::wstring> out;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == L' ' || text[i] == L'\t'))
            ++i;
        if (i == text.size())
            break;
        std::wstring token;
        bool quoted = false;
        for (; i < text.size() && (quoted || (text[i] != L' ' && text[i] != L'\t')); ++i) {
            size_t backslashes = 0;
            while (i < text.size() && text[i] == L'\\') {
                ++backslashes;
                ++i;
            }
            if (i < text.size() && text[i] == L'"') {
                token.append(backslashes / 2, L'\\');
                if (backslashes % 2)
                    token += L'"';
                else
                    quoted = !quoted;
            } else {
                token.append(backslashes, L'\\');
                if (i == text.size() || (!quoted && (text[i] == L' ' || text[i] == L'\t')))
                    break;
                token += text[i];
            }
        }
        out.push_back(std::move(token));
    }
    return out;
}

std::wstring literalLoadArguments(const std::wstring& fileArguments) {
    std::vector<std::wstring> tokens = splitArguments(fileArguments);
    std::wstring switches;
    size_t i = 0;
    for (; i < tokens.size() && tokens[i] != L"-File"; ++i)
        switches += tokens[i] + L" ";
    if (i + 1 >= tokens.size())
        return fileArguments;
    // [Text.Encoding]::Default is how 5.1 reads a script without a byte order mark; one with
    // a mark is read by its mark, as -File would. A script that cannot be read or parsed ends
    // with 1, as under -File, rather than with the 0 of an empty $LASTEXITCODE.
    std::wstring command = L"try { $vyrKitScript = [scriptblock]::Create([IO.File]::ReadAllText(" +
                           powershellLiteral(tokens[i + 1]) +
                           L", [Text.Encoding]::Default)) } catch { exit 1 }; & $vyrKitScript";
    for (size_t k = i + 2; k < tokens.size(); ++k)
        command += L" " + (isParameterName(tokens[k]) ? tokens[k] : powershellLiteral(tokens[k]));
    command += L"; exit $LASTEXITCODE";
    return switches + L"-Command " + quoteArgument(command);
}

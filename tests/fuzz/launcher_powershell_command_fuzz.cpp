// The script's command lines, read back the way the started program splits its command line
// (the Windows argument rules): any folder, file or page-chosen path comes back as exactly
// the one argument it was given as, so nothing in a path can add or change a parameter.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cwctype>
#include <utility>

#include "fuzz_input.h"

#include "powershell_command.h"

namespace {

// The rules of CommandLineToArgvW for the arguments after the program name: blanks and tabs
// separate; 2n backslashes before a quote give n and the quote opens or closes; 2n+1 give n
// and a literal quote; other backslashes are literal; inside quotes, a doubled quote gives one.
std::vector<std::wstring> argvRules(const std::wstring& line) {
    std::vector<std::wstring> arguments;
    std::size_t i = 0;
    const std::size_t n = line.size();
    while (true) {
        while (i < n && (line[i] == L' ' || line[i] == L'\t'))
            ++i;
        if (i == n)
            return arguments;
        std::wstring argument;
        bool quoted = false;
        while (i < n && (quoted || (line[i] != L' ' && line[i] != L'\t'))) {
            if (line[i] == L'\\') {
                std::size_t count = 0;
                while (i < n && line[i] == L'\\') {
                    ++count;
                    ++i;
                }
                if (i < n && line[i] == L'"') {
                    argument.append(count / 2, L'\\');
                    if (count % 2) {
                        argument += L'"';
                        ++i;
                    }
                } else {
                    argument.append(count, L'\\');
                }
            } else if (line[i] == L'"') {
                if (quoted && i + 1 < n && line[i + 1] == L'"') {
                    argument += L'"';
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                argument += line[i++];
            }
        }
        arguments.push_back(argument);
    }
}

std::wstring path(FuzzedDataProvider& input) {
    std::wstring text;
    const std::size_t count = input.ConsumeIntegralInRange<std::size_t>(0, 40);
    for (std::size_t i = 0; i < count && input.remaining_bytes() > 0; ++i) {
        // Mostly the units that matter on a command line (brackets and curly quotes in a script's
        // path and values too), now and then any unit but NUL.
        static const wchar_t kUnits[] = L"\\\" \tC:ab&|%^'`$;-[]\u2019";
        const std::uint8_t pick = input.ConsumeIntegral<std::uint8_t>();
        wchar_t unit =
            pick < 200 ? kUnits[pick % (sizeof kUnits / sizeof kUnits[0] - 1)]
                       : static_cast<wchar_t>(1 + input.ConsumeIntegral<std::uint16_t>() % 0xFFFF);
        text += unit;
    }
    return text;
}

// The arguments from `from` on as name and value pairs, in order.
using Pairs = std::vector<std::pair<std::wstring, std::wstring>>;
Pairs pairsFrom(const std::vector<std::wstring>& arguments, std::size_t from) {
    FUZZ_CHECK(arguments.size() >= from && (arguments.size() - from) % 2 == 0);
    Pairs pairs;
    for (std::size_t i = from; i < arguments.size(); i += 2)
        pairs.emplace_back(arguments[i], arguments[i + 1]);
    return pairs;
}

// The parameters every script command line carries, in their order.
Pairs scriptPairs(const std::wstring& action, const ScriptLocations& where) {
    Pairs pairs = {{L"-Action", action}, {L"-Kit", where.kitDir}};
    if (!where.gameDir.empty())
        pairs.emplace_back(L"-Game", where.gameDir);
    if (!where.hostsFile.empty())
        pairs.emplace_back(L"-HostsFile", where.hostsFile);
    return pairs;
}

const std::vector<std::wstring> kSwitches = {L"-NoProfile", L"-NonInteractive", L"-ExecutionPolicy",
                                             L"Bypass",     L"-WindowStyle",    L"Hidden",
                                             L"-File"};

bool isQuote(wchar_t c) {
    return c == L'\'' || (c >= 0x2018 && c <= 0x201B);
}

// A -Command text read back as PowerShell reads it: each single-quoted literal (any of the five
// single quotes, doubled for itself) and each -Name between them, in order.
std::vector<std::wstring> commandWords(const std::wstring& command) {
    std::vector<std::wstring> words;
    for (std::size_t i = 0; i < command.size();) {
        if (isQuote(command[i])) {
            std::wstring value;
            for (++i; i < command.size(); ++i) {
                if (isQuote(command[i]) && !(i + 1 < command.size() && isQuote(command[i + 1])))
                    break;
                value += command[i];
                i += isQuote(command[i]) ? 1 : 0;
            }
            ++i;
            words.push_back(value);
        } else if (command[i] == L'-' && i > 0 && command[i - 1] == L' ') {
            std::size_t end = i + 1;
            while (end < command.size() && std::iswalpha(command[end]))
                ++end;
            words.push_back(command.substr(i, end - i));
            i = end;
        } else {
            ++i;
        }
    }
    return words;
}

// A script command line's arguments from `at` on, as the script gets them: after -File, or
// from the literals of the -Command that loads a script whose path -File would glob.
std::vector<std::wstring> scriptWords(const std::vector<std::wstring>& arguments, std::size_t at,
                                      const ScriptLocations& where) {
    const std::size_t file = kSwitches.size() - 1;
    FUZZ_CHECK(arguments.size() > at + file);
    FUZZ_CHECK(std::equal(kSwitches.begin(), kSwitches.end() - 1, arguments.begin() + at));
    if (!needsLiteralScriptLoad(where.scriptPath)) {
        FUZZ_CHECK(arguments[at + file] == L"-File");
        return {arguments.begin() + at + file + 1, arguments.end()};
    }
    FUZZ_CHECK(arguments.size() == at + file + 2 && arguments[at + file] == L"-Command");
    return commandWords(arguments[at + file + 1]);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::wstring single = path(input);
    const std::vector<std::wstring> alone = argvRules(quoteArgument(single));
    FUZZ_CHECK(alone.size() == 1 && alone[0] == single);

    ScriptLocations where;
    where.scriptPath = path(input);
    where.kitDir = path(input);
    where.gameDir = input.ConsumeBool() ? path(input) : L"";
    where.hostsFile = input.ConsumeBool() ? path(input) : L"";
    const std::wstring jobGameDir = path(input);

    // The switches and the script, then name and value pairs only, each value whole.
    const std::vector<std::wstring> action =
        scriptWords(argvRules(actionArguments(L"install", where, jobGameDir, L"")), 0, where);
    FUZZ_CHECK(!action.empty() && action[0] == where.scriptPath);
    Pairs expected = scriptPairs(L"install", where);
    expected.emplace_back(L"-RunDir", actionRunDir(jobGameDir));
    if (where.gameDir.empty())
        expected.emplace_back(L"-Game", jobGameDir);
    FUZZ_CHECK(pairsFrom(action, 1) == expected);

    const std::wstring powershell = powershellPathIn(path(input));
    const std::wstring keepSha = input.ConsumeBool() ? std::wstring(64, L'a') : L"";
    const std::vector<std::wstring> line = argvRules(statusCommandLine(powershell, where, keepSha));
    FUZZ_CHECK(!line.empty() && line[0] == powershell);
    const std::vector<std::wstring> status = scriptWords(line, 1, where);
    FUZZ_CHECK(!status.empty() && status[0] == where.scriptPath);
    expected = scriptPairs(L"status", where);
    if (!keepSha.empty())
        expected.emplace_back(L"-KeepSha", keepSha);
    FUZZ_CHECK(pairsFrom(status, 1) == expected);
    return 0;
}

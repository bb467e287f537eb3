#pragma once
#include <string>
#include <vector>

#include "utf8.h"

// How the stand-in was started, as the tests read it back.
struct Invocation {
    std::wstring commandLine;
    std::vector<std::wstring> argv;
    std::wstring cwd;
    bool elevated = false;
    bool hasStdout = false;
    // What the script itself is given: the words after -File's path, or the parameter names
    // and literals after the script's path in a -Command that loads it.
    std::vector<std::wstring> scriptArguments;
};

Invocation currentInvocation();

// A -Command text taken apart as PowerShell reads it: its single-quoted literals (any of the
// five single quotes, a doubled one standing for itself) each passed through `literal`, the
// text between them through `other`.
// (about_Quoting_Rules: two consecutive single quotes in a single-quoted string give one; the
// tokenizer takes the curly single quotes U+2018 to U+201B for ' as well.)
template <typename Literal, typename Other>
void walkCommand(const std::wstring& command, Literal literal, Other other) {
    auto isQuote = [](wchar_t c) { return c == L'\'' || (c >= 0x2018 && c <= 0x201B); };
    size_t i = 0;
    while (i < command.size()) {
        size_t start = i;
        while (i < command.size() && !isQuote(command[i]))
            ++i;
        if (i > start)
            other(command.substr(start, i - start));
        if (i == command.size())
            break;
        std::wstring value;
        for (++i; i < command.size(); ++i) {
            if (isQuote(command[i])) {
                if (i + 1 < command.size() && isQuote(command[i + 1])) {
                    value += command[i++];
                    continue;
                }
                break;
            }
            value += command[i];
        }
        ++i;
        literal(value);
    }
}

// The value after a named parameter (-Action, -Kit, ...), compared without case; empty when
// absent.
std::wstring parameter(const Invocation& invocation, const std::wstring& name);

// Appends the invocation as one JSON line to the file.
void recordInvocation(const Invocation& invocation, const std::wstring& path);

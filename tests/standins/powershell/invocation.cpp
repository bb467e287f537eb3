#include "invocation.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cwctype>

namespace {

bool tokenElevated() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    bool elevated =
        GetTokenInformation(token, TokenElevation, &elevation, sizeof(elevation), &size) &&
        elevation.TokenIsElevated != 0;
    CloseHandle(token);
    return elevated;
}

std::string jsonString(const std::wstring& text) {
    std::string out = "\"";
    for (unsigned char c : toUtf8(text)) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof(escaped), "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

} // namespace

Invocation currentInvocation() {
    Invocation invocation;
    invocation.commandLine = GetCommandLineW();
    int count = 0;
    if (wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 0; i < count; ++i)
            invocation.argv.emplace_back(args[i]);
        LocalFree(args);
    }
    wchar_t folder[MAX_PATH];
    DWORD length = GetCurrentDirectoryW(MAX_PATH, folder);
    invocation.cwd.assign(folder, length < MAX_PATH ? length : 0);
    invocation.elevated = tokenElevated();
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    invocation.hasStdout = out && out != INVALID_HANDLE_VALUE;
    const std::vector<std::wstring>& argv = invocation.argv;
    for (size_t i = 1; i + 1 < argv.size(); ++i) {
        if (_wcsicmp(argv[i].c_str(), L"-File") == 0) {
            invocation.scriptArguments.assign(argv.begin() + i + 2, argv.end());
            break;
        }
        if (_wcsicmp(argv[i].c_str(), L"-Command") == 0) {
            // The first literal is the script's path; parameter names and literals follow.
            bool seenScript = false;
            auto& words = invocation.scriptArguments;
            walkCommand(
                argv[i + 1],
                [&](const std::wstring& value) {
                    if (seenScript)
                        words.push_back(value);
                    seenScript = true;
                },
                [&](const std::wstring& text) {
                    if (!seenScript)
                        return;
                    for (size_t k = 0; k < text.size(); ++k) {
                        if (text[k] != L'-' || (k > 0 && text[k - 1] != L' '))
                            continue;
                        size_t end = k + 1;
                        while (end < text.size() && iswalpha(text[end]))
                            ++end;
                        if (end > k + 1)
                            words.push_back(text.substr(k, end - k));
                    }
                });
            break;
        }
    }
    return invocation;
}

std::wstring parameter(const Invocation& invocation, const std::wstring& name) {
    const std::vector<std::wstring>& words = invocation.scriptArguments;
    for (size_t i = 0; i + 1 < words.size(); ++i)
        if (_wcsicmp(words[i].c_str(), name.c_str()) == 0)
            return words[i + 1];
    return {};
}

void recordInvocation(const Invocation& invocation, const std::wstring& path) {
    std::string line = "{\"pid\":" + std::to_string(GetCurrentProcessId()) +
                       ",\"commandLine\":" + jsonString(invocation.commandLine) + ",\"argv\":[";
    for (size_t i = 0; i < invocation.argv.size(); ++i) {
        line += (i ? "," : "");
        line += jsonString(invocation.argv[i]);
    }
    line += "],\"cwd\":" + jsonString(invocation.cwd) +
            ",\"elevated\":" + (invocation.elevated ? "true" : "false") +
            ",\"stdout\":" + (invocation.hasStdout ? "true" : "false") + "}\n";
    if (FILE* file = _wfopen(path.c_str(), L"ab")) {
        std::fwrite(line.data(), 1, line.size(), file);
        std::fclose(file);
    }
}

#include "command_line.h"

#include <climits>

std::wstring programFolder(const std::wstring& modulePath) {
    size_t cut = modulePath.find_last_of(L"\\/");
    return cut == std::wstring::npos ? modulePath : modulePath.substr(0, cut);
}

unsigned nextModulePathSize(unsigned size, unsigned returned) {
    constexpr unsigned kLongestPath = 32768;
    if (returned < size || size >= kLongestPath)
        return 0;
    return size * 2 < kLongestPath ? size * 2 : kLongestPath;
}

OverlayOptions defaultOverlayOptions(const std::wstring& programDir) {
    OverlayOptions options;
    options.webDir = programDir + L"\\web";
    options.docDir = programDir + L"\\..\\package\\Documents";
    options.logPath = programDir + L"\\vyr_overlay.log";
    return options;
}

int parsePortText(const std::wstring& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == L' ' || text[i] == L'\t' || text[i] == L'\n' ||
                               text[i] == L'\r' || text[i] == L'\f' || text[i] == L'\v'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
        negative = text[i] == L'-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        value = value * 10 + (text[i] - L'0');
        if (value > INT_MAX) // saturate rather than overflow; the port is cut to 16 bits later
            value = INT_MAX;
    }
    return static_cast<int>(negative ? -value : value);
}

void parseCommandLine(OverlayOptions& options, const std::vector<std::wstring>& args) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::wstring& name = args[i];
        if (name == L"--show") {
            options.show = true;
            continue;
        }
        std::wstring* target = nullptr;
        if (name == L"--web")
            target = &options.webDir;
        else if (name == L"--doc")
            target = &options.docDir;
        else if (name == L"--game")
            target = &options.gameTitle;
        else if (name == L"--game-class")
            target = &options.gameClass;
        else if (name == L"--data")
            target = &options.dataDir;
        else if (name == L"--log")
            target = &options.logPath;
        bool takesValue = target || name == L"--mode" || name == L"--port";
        if (!takesValue || i + 1 >= args.size())
            continue; // unknown text, or a value option without its value
        const std::wstring& value = args[++i];
        options.logGiven = options.logGiven || target == &options.logPath;
        options.docGiven = options.docGiven || target == &options.docDir;
        if (target)
            *target = value;
        else if (name == L"--mode")
            options.childMode = value != L"owned";
        else
            options.port = parsePortText(value);
    }
}

std::wstring keysFilePath(const std::wstring& docDir) {
    return docDir + L"\\vyr_keys.txt";
}

std::wstring optOutMarkerPath(const std::wstring& programDir) {
    return programDir + L"\\no_keep_layout.txt";
}

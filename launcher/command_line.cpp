#include "command_line.h"

void parseCommandLine(LauncherOptions& options, const std::vector<std::wstring>& args,
                      const PathResolver& fullPath) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::wstring& name = args[i];
        if (name == L"--dev") {
            options.devMode = true;
            continue;
        }
        std::wstring* target = nullptr;
        bool* given = nullptr;
        bool isPath = true;
        if (name == L"--kit") {
            target = &options.kitDir;
            given = &options.kitGiven;
        } else if (name == L"--web") {
            target = &options.webDir;
            given = &options.webGiven;
        } else if (name == L"--data") {
            target = &options.dataDir;
            given = &options.dataGiven;
        } else if (name == L"--game") {
            target = &options.gameDir;
        } else if (name == L"--hosts") {
            target = &options.hostsFile;
        } else if (name == L"--query") {
            target = &options.pageQuery;
            isPath = false;
        }
        if (!target || i + 1 >= args.size())
            continue;
        const std::wstring& value = args[++i];
        *target = isPath ? fullPath(value) : value;
        if (given)
            *given = true;
    }
}

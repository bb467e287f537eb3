#pragma once
#include <functional>
#include <string>
#include <vector>

// What the launcher's command line sets. Folder and file values are stored as the path
// resolver gives them (fullPath in the program); the query is kept as given.
struct LauncherOptions {
    std::wstring kitDir;
    std::wstring webDir;
    std::wstring gameDir;
    std::wstring hostsFile;
    std::wstring dataDir;
    std::wstring pageQuery;
    bool devMode = false;
    bool kitGiven = false;
    bool webGiven = false;
    bool dataGiven = false;
};

using PathResolver = std::function<std::wstring(const std::wstring&)>;

// Reads the arguments after the program name. Options match whole and case-sensitively,
// a value option without its value is ignored, unknown arguments are skipped and a
// repeated option overwrites the earlier one.
void parseCommandLine(LauncherOptions& options, const std::vector<std::wstring>& args,
                      const PathResolver& fullPath);

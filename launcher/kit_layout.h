#pragma once
#include <string>

#include "command_line.h"

// Where the launcher finds the kit's files and keeps its own, all derived from the folder
// of the program file and the command line. No path carries a trailing separator.

// Folder part of the program file's path: cut before its last '\' or '/'.
std::wstring programFolder(const std::wstring& modulePath);

// The launcher may sit one level above the kit, beside a "files" folder that holds it.
std::wstring filesKitProbe(const std::wstring& exeDir);
std::wstring chooseKitDir(const std::wstring& exeDir, bool filesKitPresent);

struct LauncherFolders {
    std::wstring kitDir;
    std::wstring webDir;
    std::wstring scriptPath;
    std::wstring dataDir;
};

// kitDir is the folder chosen above; --kit, --web and --data override.
LauncherFolders deriveFolders(const std::wstring& chosenKitDir, const LauncherOptions& options);

// The data folder used when the chosen one cannot be written.
std::wstring fallbackDataDir(const std::wstring& localAppData);

std::wstring logPathFor(const std::wstring& dataDir);
std::wstring settingsPathFor(const std::wstring& kitDir);
std::wstring startPagePathFor(const std::wstring& webDir);
std::wstring writeProbePathFor(const std::wstring& folder);

// Largest launcher.json that is read.
constexpr size_t kSettingsReadLimit = 0x100000;

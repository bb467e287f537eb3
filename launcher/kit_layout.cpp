#include "kit_layout.h"

std::wstring programFolder(const std::wstring& modulePath) {
    size_t cut = modulePath.find_last_of(L"\\/");
    return cut == std::wstring::npos ? modulePath : modulePath.substr(0, cut);
}

std::wstring filesKitProbe(const std::wstring& exeDir) {
    return exeDir + L"\\files\\launcher\\actions.ps1";
}

std::wstring chooseKitDir(const std::wstring& exeDir, bool filesKitPresent) {
    return filesKitPresent ? exeDir + L"\\files" : exeDir;
}

LauncherFolders deriveFolders(const std::wstring& chosenKitDir, const LauncherOptions& options) {
    LauncherFolders folders;
    folders.kitDir = options.kitGiven ? options.kitDir : chosenKitDir;
    folders.webDir = options.webGiven ? options.webDir : folders.kitDir + L"\\launcher\\web";
    folders.scriptPath = folders.kitDir + L"\\launcher\\actions.ps1";
    folders.dataDir = options.dataGiven ? options.dataDir : folders.kitDir + L"\\launcher\\data";
    return folders;
}

std::wstring fallbackDataDir(const std::wstring& localAppData) {
    return localAppData + L"\\VYR\\launcher";
}

std::wstring logPathFor(const std::wstring& dataDir) {
    return dataDir + L"\\launcher.log";
}

std::wstring settingsPathFor(const std::wstring& kitDir) {
    return kitDir + L"\\launcher\\launcher.json";
}

std::wstring startPagePathFor(const std::wstring& webDir) {
    return webDir + L"\\index.html";
}

std::wstring writeProbePathFor(const std::wstring& folder) {
    return folder + L"\\write.probe";
}

// Entry point of launcher: start-up, the message loop and shut-down.
#include "launcher_state.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <vector>

#include "command_line.h"
#include "files.h"
#include "json.h"
#include "kit_layout.h"
#include "launcher_window.h"
#include "log.h"
#include "page_host.h"
#include "single_instance.h"
#include "startup_text.h"
#include "utf8.h"
#include "whole_path.h"

namespace {

// Looked up at run time so a missing call (before Windows 10 1703) is no load failure.
void becomePerMonitorDpiAware() {
    using SetContext = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT);
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    auto setContext = user32 ? reinterpret_cast<SetContext>(reinterpret_cast<void*>(
                                   GetProcAddress(user32, "SetProcessDpiAwarenessContext")))
                             : nullptr;
    if (setContext)
        setContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
}

std::wstring moduleFolder() {
    return programFolder(readWholePath([](wchar_t* buffer, size_t size) {
        return static_cast<size_t>(GetModuleFileNameW(nullptr, buffer, static_cast<DWORD>(size)));
    }));
}

LauncherOptions readCommandLine() {
    LauncherOptions options;
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv) {
        std::vector<std::wstring> args(argv + (argc > 0 ? 1 : 0), argv + argc);
        parseCommandLine(options, args, fullPath);
        LocalFree(argv);
    }
    return options;
}

void applyFolders(const LauncherOptions& options) {
    std::wstring chosen =
        chooseKitDir(state.exeDir, pathKind(filesKitProbe(state.exeDir)) != PathKind::missing);
    LauncherFolders folders = deriveFolders(chosen, options);
    state.kitDir = folders.kitDir;
    state.webDir = folders.webDir;
    state.scriptPath = folders.scriptPath;
    state.dataDir = folders.dataDir;
}

// The chosen data folder, or local application data when it cannot be written.
void settleDataFolder() {
    if (canWriteFolder(state.dataDir))
        return;
    PWSTR localAppData = nullptr;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &localAppData)) &&
        localAppData) {
        state.dataDir = fallbackDataDir(localAppData);
        SHCreateDirectoryExW(nullptr, state.dataDir.c_str(), nullptr);
    }
    CoTaskMemFree(localAppData);
}

void emptyLog() {
    if (FILE* file = _wfopen(state.logPath.c_str(), L"wb"))
        std::fclose(file);
}

bool kitFilesPresent() {
    return pathKind(startPagePathFor(state.webDir)) == PathKind::file &&
           pathKind(state.scriptPath) == PathKind::file;
}

void runMessageLoop() {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    becomePerMonitorDpiAware();
    state.exeDir = moduleFolder();
    LauncherOptions options = readCommandLine();
    applyFolders(options);
    state.gameDir = options.gameDir;
    state.hostsFile = options.hostsFile;
    state.pageQuery = options.pageQuery;
    state.devMode = options.devMode;

    InstanceClaim instanceClaim = claimSingleInstance(sandboxMode());
    if (instanceClaim.anotherRuns) {
        if (instanceClaim.mutex)
            CloseHandle(instanceClaim.mutex);
        return 0;
    }

    settleDataFolder();
    state.logPath = logPathFor(state.dataDir);
    emptyLog();
    state.server =
        jsonGetValue(readTextFile(settingsPathFor(state.kitDir), kSettingsReadLimit), "server");
    launcherLog("%s", startLine(toUtf8(state.kitDir), state.server, sandboxMode()).c_str());

    if (!kitFilesPresent()) {
        MessageBoxW(nullptr, kMissingFilesText, kMessageCaption, MB_ICONERROR);
        if (instanceClaim.mutex)
            CloseHandle(instanceClaim.mutex);
        return 1;
    }

    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    state.mainWindow = createLauncherWindow(instance);
    // Without its window nothing could ever end the message loop.
    if (state.mainWindow) {
        applyFrameColours(state.mainWindow);
        ShowWindow(state.mainWindow, showCommand != 0 ? showCommand : SW_SHOWNORMAL);
        UpdateWindow(state.mainWindow);
        startPageHost();
        runMessageLoop();
    }

    closeLauncherLog(kExitLine);
    closePageHost();
    CoUninitialize();
    if (instanceClaim.mutex)
        CloseHandle(instanceClaim.mutex);
    // Workers are never waited for: a script may run on for minutes. Returning would run the
    // C++ runtime's teardown (the process-wide state, the texts on their way to the window,
    // the C runtime's streams) while they may still use it; ExitProcess ends them first.
    ExitProcess(0);
}

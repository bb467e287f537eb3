#include "powershell_win32.h"

#include <windows.h>

#include "launcher_state.h"

std::wstring powershellPath() {
    wchar_t folder[MAX_PATH];
    UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length >= MAX_PATH)
        length = 0;
    return powershellPathIn(std::wstring(folder, length));
}

ScriptLocations scriptLocations() {
    return {state.scriptPath, state.kitDir, state.gameDir, state.hostsFile};
}

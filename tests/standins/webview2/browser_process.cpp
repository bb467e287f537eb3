#include "browser_process.h"

#include "config.h"
#include "record.h"

#include <string>

namespace {

DWORD current = 0;
HANDLE currentProcess = nullptr; // the helper, when this DLL started it
unsigned generation = 0;

std::wstring besideThisDll(const wchar_t* fileName) {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&browserProcessId), &module);
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
    std::wstring folder(path, length);
    const size_t slash = folder.find_last_of(L"\\/");
    return (slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash + 1)) + fileName;
}

DWORD startBrowser() {
    if (standinConfig().browserPid != 0) {
        recordNote("browserProcess", {jsonInt(standinConfig().browserPid), jsonBool(FALSE)});
        return standinConfig().browserPid;
    }
    const std::wstring exe = besideThisDll(L"webview2_browser.exe");
    std::wstring commandLine = L"\"" + exe + L"\" " + std::to_wstring(GetCurrentProcessId());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process)) {
        // Without the helper the program's own process stands in, so the id stays real.
        recordNote("browserProcess", {jsonInt(GetCurrentProcessId()), jsonBool(FALSE)});
        return GetCurrentProcessId();
    }
    CloseHandle(process.hThread);
    currentProcess = process.hProcess;
    recordNote("browserProcess", {jsonInt(process.dwProcessId), jsonBool(TRUE)});
    return process.dwProcessId;
}

} // namespace

DWORD browserProcessId() {
    if (current == 0)
        current = startBrowser();
    return current;
}

void endBrowserProcess() {
    if (currentProcess) {
        TerminateProcess(currentProcess, 1);
        CloseHandle(currentProcess);
        currentProcess = nullptr;
    }
    current = 0;
    ++generation;
}

unsigned browserGeneration() {
    return generation;
}

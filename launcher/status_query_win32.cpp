#include <windows.h>

#include <mutex>
#include <vector>

#include "launcher_state.h"
#include "log.h"
#include "page_bridge.h"
#include "powershell_win32.h"
#include "status_output.h"
#include "workers.h"

namespace {

// The pipe's write end is inheritable until the script has it; a second query starting in
// that moment would hand it to its own script too, and this read would wait for both.
std::mutex& pipeHandOverLock() {
    static std::mutex lock;
    return lock;
}

std::string readAll(HANDLE pipe) {
    std::string output;
    std::vector<char> chunk(65536);
    DWORD got = 0;
    while (ReadFile(pipe, chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr) && got > 0)
        output.append(chunk.data(), got);
    return output;
}

} // namespace

void runStatusQuery(const std::wstring& keepSha) {
    std::wstring commandLine = statusCommandLine(powershellPath(), scriptLocations(), keepSha);
    std::vector<wchar_t> writable(commandLine.begin(), commandLine.end());
    writable.push_back(L'\0');

    SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    PROCESS_INFORMATION process{};
    BOOL started = FALSE;
    DWORD startTick = 0;
    {
        std::lock_guard<std::mutex> hold(pipeHandOverLock());
        if (CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) {
            SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
            STARTUPINFOW startup{};
            startup.cb = sizeof(startup);
            startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
            startup.wShowWindow = SW_HIDE;
            startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
            startup.hStdOutput = writeEnd;
            startup.hStdError = writeEnd;
            startTick = GetTickCount();
            started =
                CreateProcessW(nullptr, writable.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                               nullptr, state.exeDir.c_str(), &startup, &process);
            CloseHandle(writeEnd);
        } else {
            startTick = GetTickCount();
        }
    }

    std::string output;
    if (started) {
        output = readAll(readEnd);
        WaitForSingleObject(process.hProcess, 30000);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    if (readEnd)
        CloseHandle(readEnd);
    launcherLog("%s", statusLogLine(output.size(), GetTickCount() - startTick).c_str());
    postPageMessage(statusReply(rawStatus(output), started != FALSE));
}

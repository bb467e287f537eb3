#include <windows.h>

#include <mutex>
#include <string_view>
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

constexpr DWORD kChunk = 65536;

// Each chunk is read straight into the output's free end, not through a buffer of its own.
std::string readAll(HANDLE pipe) {
    std::string output;
    for (;;) {
        size_t used = output.size();
        output.resize(used + kChunk);
        DWORD got = 0;
        bool read = ReadFile(pipe, output.data() + used, kChunk, &got, nullptr) != FALSE;
        output.resize(used + (read ? got : 0));
        if (!read || got == 0)
            return output;
    }
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
    std::string_view raw = std::string_view(output).substr(rawStatusStart(output));
    postPageMessage(statusReply(raw, started != FALSE));
}

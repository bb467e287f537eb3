#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <cstdio>
#include <vector>

#include "action_replies.h"
#include "files.h"
#include "launcher_state.h"
#include "log.h"
#include "log_tail.h"
#include "page_bridge.h"
#include "powershell_win32.h"
#include "workers.h"

namespace {

constexpr size_t kResultLimit = 0x1000000;
constexpr size_t kLogReadBlock = 0x10000;

std::uint64_t fileTimeValue(const FILETIME& time) {
    return (std::uint64_t(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

bool fileAttributes(const std::wstring& path, WIN32_FILE_ATTRIBUTE_DATA& data) {
    return GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) != FALSE;
}

// Sends each line completed by what the script added to its log since the last look.
void followLog(const std::wstring& logPath, LogTail& tail) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!fileAttributes(logPath, data))
        return;
    std::uint64_t size = (std::uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    std::uint64_t wanted = logBytesToRead(tail, fileTimeValue(data.ftLastWriteTime), size);
    if (wanted == 0)
        return;
    FILE* file = _wfopen(logPath.c_str(), L"rb");
    if (!file)
        return;
    if (_fseeki64(file, static_cast<long long>(tail.offset), SEEK_SET) == 0) {
        // In blocks, so a huge log never needs one huge buffer.
        std::vector<char> block(kLogReadBlock);
        while (wanted > 0) {
            size_t ask = wanted < block.size() ? static_cast<size_t>(wanted) : block.size();
            size_t got = std::fread(block.data(), 1, ask, file);
            if (got == 0)
                break;
            wanted -= got;
            for (const std::string& line : takeLogBytes(tail, std::string_view(block.data(), got)))
                postPageMessage(actionLogReply(line));
        }
    }
    std::fclose(file);
}

std::string freshResult(const std::wstring& resultPath, std::uint64_t started) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!fileAttributes(resultPath, data) || fileTimeValue(data.ftLastWriteTime) < started)
        return {};
    return readTextFile(resultPath, kResultLimit);
}

void run(const ActionJob& job) {
    std::wstring runDir = actionRunDir(job.gameDir);
    std::wstring arguments =
        actionArguments(job.action, scriptLocations(), job.gameDir, job.extraArguments);
    std::wstring program = powershellPath();
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    LogTail tail;
    tail.started = fileTimeValue(now);
    launcherLog("%s", actionStartLogLine(job.action, arguments).c_str());

    SHELLEXECUTEINFOW execute{};
    execute.cbSize = sizeof(execute);
    execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    execute.hwnd = state.mainWindow;
    execute.lpVerb = sandboxMode() ? L"open" : L"runas";
    execute.lpFile = program.c_str();
    execute.lpParameters = arguments.c_str();
    execute.lpDirectory = state.exeDir.c_str();
    execute.nShow = SW_HIDE;
    if (!ShellExecuteExW(&execute) || !execute.hProcess) {
        DWORD error = GetLastError();
        launcherLog("%s", actionNotStartedLogLine(job.action, error).c_str());
        postPageMessage(actionNotStartedReply(job.action, error));
        return;
    }

    std::wstring logPath = actionLogPath(runDir);
    bool ended = false;
    while (!ended) {
        ended = WaitForSingleObject(execute.hProcess, 250) != WAIT_TIMEOUT;
        followLog(logPath, tail);
    }
    DWORD exitCode = 1;
    if (!GetExitCodeProcess(execute.hProcess, &exitCode))
        exitCode = 1;
    CloseHandle(execute.hProcess);

    std::string raw = freshResult(actionResultPath(runDir), tail.started);
    launcherLog("%s", actionEndLogLine(job.action, exitCode, raw.size()).c_str());
    postPageMessage(actionDoneReply(job.action, exitCode, raw));
}

} // namespace

void runAction(ActionJob* job) {
    // The shell may hand the start to COM-based handlers.
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    run(*job);
    if (SUCCEEDED(com))
        CoUninitialize();
    state.actionBusy.exchange(0);
    delete job;
}

#include "log.h"

#include <cstdio>
#include <mutex>

#include "launcher_state.h"
#include "log_format.h"

namespace {

// Append mode in the C runtime is a seek to the end followed by a write, not one step, so
// two threads appending at once could overwrite each other's line. One lock makes each
// line whole.
std::mutex& logLock() {
    static std::mutex lock;
    return lock;
}

bool logClosed = false; // under logLock

void appendLine(const std::string& message) {
    if (logClosed)
        return;
    FILE* file = _wfopen(state.logPath.c_str(), L"ab");
    if (!file)
        return;
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::string line =
        formatLogLine(now.wHour, now.wMinute, now.wSecond, now.wMilliseconds, message);
    std::fwrite(line.data(), 1, line.size(), file);
    std::fclose(file);
}

} // namespace

void launcherLog(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string message = formatLogMessage(format, args);
    va_end(args);

    std::lock_guard<std::mutex> hold(logLock());
    appendLine(message);
}

void closeLauncherLog(const char* lastLine) {
    std::lock_guard<std::mutex> hold(logLock());
    appendLine(lastLine);
    logClosed = true;
}

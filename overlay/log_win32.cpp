#include "log.h"

#include <cstdio>

#include "log_format.h"
#include "overlay_state.h"

void logLine(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string message = formatLogMessage(format, args);
    va_end(args);

    SYSTEMTIME now;
    GetLocalTime(&now);
    FILE* file = _wfopen(state.logPath.c_str(), L"a"); // text mode: "\n" is written as CR LF
    if (!file)
        return;
    std::string line = formatLogLine(now.wHour, now.wMinute, now.wSecond, message);
    std::fwrite(line.data(), 1, line.size(), file);
    std::fclose(file);
}

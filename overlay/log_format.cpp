#include "log_format.h"

#include "../common/bounded_format.h"

std::string formatLogMessage(const char* format, va_list args) {
    char buffer[kLogMessageMax + 1];
    size_t length = boundedFormatV(buffer, sizeof buffer, format, args);
    return std::string(buffer, length);
}

std::string formatLogLine(int hour, int minute, int second, const std::string& message) {
    char stamp[32];
    boundedFormat(stamp, sizeof stamp, "[vyr-overlay] %02d:%02d:%02d ", hour, minute, second);
    return stamp + message + "\n";
}

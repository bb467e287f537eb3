#include "log_format.h"

#include "../common/bounded_format.h"

std::string formatLogMessage(const char* format, va_list args) {
    char buffer[kLogMessageMax + 1];
    size_t length = boundedFormatV(buffer, sizeof buffer, format, args);
    return std::string(buffer, length);
}

std::string formatLogLine(int hour, int minute, int second, int millisecond,
                          const std::string& message) {
    char stamp[48];
    size_t length = boundedFormat(stamp, sizeof stamp, "%02d:%02d:%02d.%03d ", hour, minute, second,
                                  millisecond);
    return std::string(stamp, length) + message + "\r\n";
}

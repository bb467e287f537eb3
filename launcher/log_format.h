#pragma once
#include <cstdarg>
#include <string>

// Longest caller text a log line carries; longer ones are cut, never rejected.
constexpr size_t kLogMessageMax = 2047;

// The caller's text of a log line, printf-formatted and cut to kLogMessageMax bytes.
std::string formatLogMessage(const char* format, va_list args);

// One line as it goes into the log file (binary mode): local time with milliseconds, one
// space, the text, CR LF.
std::string formatLogLine(int hour, int minute, int second, int millisecond,
                          const std::string& message);

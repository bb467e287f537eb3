#pragma once
#include <cstdarg>
#include <string>

// Longest message a log line carries; longer ones are cut, never rejected.
constexpr size_t kLogMessageMax = 2047;

// The message text of a log line, printf-formatted and cut to kLogMessageMax bytes.
std::string formatLogMessage(const char* format, va_list args);

// One line as it goes into the log file (opened in text mode, so "\n" becomes CR LF).
std::string formatLogLine(int hour, int minute, int second, const std::string& message);

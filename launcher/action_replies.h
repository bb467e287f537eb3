#pragma once
#include <cstdint>
#include <string>

// What the action runner tells the page and writes to the log (UTF-8).

// {"type":"log","line":...}: one complete line of the script's progress log.
std::string actionLogReply(const std::string& line);

// {"type":"done","action":...,"exit":N,"raw":...}: the script ended; raw is its result file.
std::string actionDoneReply(const std::wstring& action, std::uint32_t exitCode,
                            const std::string& raw);

// {"type":"done","ok":false,"action":...,"why":...}: the script could not be started.
std::string actionNotStartedReply(const std::wstring& action, std::uint32_t error);

// "cancelled" when the user declined the elevation prompt, else the Windows error number.
std::string notStartedReason(std::uint32_t error);

std::string actionStartLogLine(const std::wstring& action, const std::wstring& arguments);
std::string actionEndLogLine(const std::wstring& action, std::uint32_t exitCode,
                             size_t resultBytes);
std::string actionNotStartedLogLine(const std::wstring& action, std::uint32_t error);

// Windows' ERROR_CANCELLED.
constexpr std::uint32_t kErrorCancelled = 1223;

#include "action_replies.h"

#include "json.h"
#include "utf8.h"

std::string actionLogReply(const std::string& line) {
    return "{\"type\":\"log\",\"line\":" + jsonQuote(line) + "}";
}

std::string actionDoneReply(const std::wstring& action, std::uint32_t exitCode,
                            const std::string& raw) {
    return "{\"type\":\"done\",\"action\":" + jsonQuoteWide(action) +
           ",\"exit\":" + std::to_string(exitCode) + ",\"raw\":" + jsonQuote(raw) + "}";
}

std::string actionNotStartedReply(const std::wstring& action, std::uint32_t error) {
    return "{\"type\":\"done\",\"ok\":false,\"action\":" + jsonQuoteWide(action) +
           ",\"why\":" + jsonQuote(notStartedReason(error)) + "}";
}

std::string notStartedReason(std::uint32_t error) {
    if (error == kErrorCancelled)
        return "cancelled";
    return "it could not be started (error " + std::to_string(error) + ")";
}

std::string actionStartLogLine(const std::wstring& action, const std::wstring& arguments) {
    return "action " + toUtf8(action) + ": " + toUtf8(arguments);
}

std::string actionEndLogLine(const std::wstring& action, std::uint32_t exitCode,
                             size_t resultBytes) {
    return "action " + toUtf8(action) + ": exit " + std::to_string(exitCode) + ", result " +
           std::to_string(static_cast<unsigned>(resultBytes)) + " bytes";
}

std::string actionNotStartedLogLine(const std::wstring& action, std::uint32_t error) {
    return "action " + toUtf8(action) + ": not started (" + std::to_string(error) + ")";
}

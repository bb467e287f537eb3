#include "status_output.h"

#include "json.h"

std::string rawStatus(const std::string& output) {
    size_t brace = output.find('{');
    return brace == std::string::npos ? std::string() : output.substr(brace);
}

std::string statusReply(const std::string& raw, bool started) {
    std::string reply = "{\"type\":\"status\",\"raw\":" + jsonQuote(raw);
    if (!started)
        reply += ",\"why\":\"Windows PowerShell could not be started\"";
    return reply + "}";
}

std::string statusLogLine(size_t bytes, unsigned long milliseconds) {
    return "status: " + std::to_string(static_cast<unsigned>(bytes)) + " bytes in " +
           std::to_string(milliseconds) + " ms";
}

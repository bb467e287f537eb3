#include "status_output.h"

#include "json.h"

namespace {

constexpr std::string_view kReplyStart = "{\"type\":\"status\",\"raw\":";
constexpr std::string_view kNotStarted = ",\"why\":\"Windows PowerShell could not be started\"";

} // namespace

size_t rawStatusStart(std::string_view output) {
    size_t brace = output.find('{');
    return brace == std::string_view::npos ? output.size() : brace;
}

std::string rawStatus(const std::string& output) {
    return output.substr(rawStatusStart(output));
}

std::string statusReply(std::string_view raw, bool started) {
    std::string reply;
    // Room for the fragments, the quotes and a few escapes: one allocation for a plain status.
    reply.reserve(kReplyStart.size() + raw.size() + raw.size() / 8 + 2 + kNotStarted.size() + 1);
    reply += kReplyStart;
    appendJsonQuoted(reply, raw);
    if (!started)
        reply += kNotStarted;
    reply += '}';
    return reply;
}

std::string statusLogLine(size_t bytes, unsigned long milliseconds) {
    return "status: " + std::to_string(static_cast<unsigned>(bytes)) + " bytes in " +
           std::to_string(milliseconds) + " ms";
}

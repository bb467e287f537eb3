#include "vyro_args.h"

#include <cstddef>

#include "vyro_datagram.h"

namespace {

struct CommandWord {
    const char* word;
    VyroCommand command;
    int minArgs;
    int maxArgs;
};

const CommandWord kCommands[] = {
    {"show", VyroCommand::show, 0, 1},     {"hide", VyroCommand::hide, 0, 0},
    {"toggle", VyroCommand::toggle, 0, 1}, {"note", VyroCommand::note, 1, 1},
    {"page", VyroCommand::page, 1, 1},     {"state", VyroCommand::state, 0, 0},
    {"window", VyroCommand::window, 1, 1}, {"reload", VyroCommand::reload, 0, 0},
    {"bye", VyroCommand::bye, 0, 0},       {"listen", VyroCommand::listen, 0, 1},
    {"help", VyroCommand::help, 0, 0},
};

// The largest UDP payload over IPv4.
constexpr size_t kMaxDatagram = 65507;

bool parseDecimal(const std::string& text, long long limit, long long& value) {
    if (text.empty() || text.size() > 9)
        return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    return value <= limit;
}

bool parsePort(const std::string& text, bool zeroAllowed, uint16_t& port) {
    long long value = 0;
    if (!parseDecimal(text, 65535, value) || (value == 0 && !zeroAllowed))
        return false;
    port = static_cast<uint16_t>(value);
    return true;
}

// Seconds with up to three decimals, more than 0 and at most a day; the result in ms.
bool parseSeconds(const std::string& text, int& ms) {
    size_t dot = text.find('.');
    std::string whole = text.substr(0, dot);
    std::string fraction = dot == std::string::npos ? "" : text.substr(dot + 1);
    if (dot != std::string::npos && fraction.empty())
        return false;
    if (fraction.size() > 3)
        return false;
    long long seconds = 0;
    long long thousandths = 0;
    if (whole.empty() && fraction.empty())
        return false;
    if (!whole.empty() && !parseDecimal(whole, 86400, seconds))
        return false;
    if (!fraction.empty()) {
        if (!parseDecimal(fraction, 999, thousandths))
            return false;
        for (size_t i = fraction.size(); i < 3; ++i)
            thousandths *= 10;
    }
    long long total = seconds * 1000 + thousandths;
    if (total <= 0 || total > 86400LL * 1000)
        return false;
    ms = static_cast<int>(total);
    return true;
}

VyroRequest refused(VyroRequest request, std::string why) {
    request.command = VyroCommand::none;
    request.error = std::move(why);
    return request;
}

} // namespace

VyroRequest parseArguments(const std::vector<std::string>& args) {
    VyroRequest request;
    std::vector<std::string> words;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || (arg.rfind("--", 0) != 0 && arg != "-h")) {
            words.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "-h" || arg == "--help") {
            request.command = VyroCommand::help;
            return request;
        }
        bool takesValue = arg == "--from" || arg == "--port" || arg == "--timeout";
        if (!takesValue)
            return refused(request, "unknown option " + arg);
        if (i + 1 >= args.size())
            return refused(request, arg + " needs a value");
        const std::string& value = args[++i];
        if (arg == "--from" && !parsePort(value, true, request.fromPort))
            return refused(request,
                           "--from needs a UDP port from 0 to 65535, not \"" + value + "\"");
        if (arg == "--port" && !parsePort(value, false, request.overlayPort))
            return refused(request,
                           "--port needs a UDP port from 1 to 65535, not \"" + value + "\"");
        if (arg == "--timeout" && !parseSeconds(value, request.timeoutMs))
            return refused(request, "--timeout needs seconds above 0 (at most 86400, up to "
                                    "three decimals), not \"" +
                                        value + "\"");
    }
    if (words.empty())
        return refused(request, "no command given");

    const CommandWord* found = nullptr;
    for (const CommandWord& c : kCommands) {
        if (words[0] == c.word)
            found = &c;
    }
    if (!found)
        return refused(request, "unknown command \"" + words[0] + "\"");
    int given = static_cast<int>(words.size()) - 1;
    if (given < found->minArgs)
        return refused(request, std::string(found->word) + " needs an argument");
    if (given > found->maxArgs) {
        if (found->maxArgs == 0)
            return refused(request, std::string(found->word) + " takes no argument");
        return refused(request,
                       std::string(found->word) + " takes one argument; quote a text with blanks");
    }
    request.command = found->command;
    request.hasArgument = given == 1;
    if (request.hasArgument)
        request.argument = words[1];

    switch (request.command) {
    case VyroCommand::note:
        if (!isJsonValue(request.argument))
            return refused(request, "note needs one JSON value; a text keeps its quotes, "
                                    "e.g. vyro note '\"hello\"'");
        break;
    case VyroCommand::page:
        if (!isJsonObject(request.argument))
            return refused(request, "page needs one JSON object, e.g. vyro page "
                                    "'{\"type\":\"show\"}'");
        break;
    case VyroCommand::window:
        if (request.argument != "borderless" && request.argument != "framed")
            return refused(request,
                           "window needs borderless or framed, not \"" + request.argument + "\"");
        break;
    case VyroCommand::listen:
        if (request.hasArgument && !parseSeconds(request.argument, request.listenMs))
            return refused(request, "listen takes seconds above 0 (at most 86400), not \"" +
                                        request.argument + "\"");
        break;
    default:
        break;
    }
    if (request.command != VyroCommand::help && requestDatagram(request).size() > kMaxDatagram)
        return refused(request, "the datagram would be longer than 65507 bytes");
    return request;
}

const char* usageText() {
    return "usage: vyro [--from PORT] [--port PORT] [--timeout SECONDS] COMMAND [ARGUMENT]\n"
           "\n"
           "Talks to a running overlay_host over UDP on 127.0.0.1, as the game side does.\n"
           "\n"
           "  show [PAD]                 show the overlay, with the pad text if given\n"
           "  hide                       ask the page to close the overlay\n"
           "  toggle [PAD]               show when not active, otherwise hide\n"
           "  note JSON                  hand one JSON value to the page as a note\n"
           "  page JSON                  post one JSON object to the page unchanged\n"
           "  state                      print the overlay's state: hidden, passive or active\n"
           "  window borderless|framed   switch the game window's borderless mode\n"
           "  reload                     reload the overlay's page\n"
           "  bye                        end the overlay\n"
           "  listen [SECONDS]           print what the overlay sends, one datagram a line,\n"
           "                             until interrupted or for SECONDS (asks for the\n"
           "                             state first, so the overlay knows where to send)\n"
           "\n"
           "  --from PORT      local UDP port to send from (default 47630, 0 for any)\n"
           "  --port PORT      the overlay's UDP port (default 47632)\n"
           "  --timeout SEC    how long state and listen wait for the first answer (default 2)\n"
           "\n"
           "Exit codes: 0 done, 1 no answer from the overlay, 2 bad arguments, 3 network "
           "error\n"
           "(for example the local port is taken).\n";
}

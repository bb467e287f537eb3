#include "datagram.h"

#include <cstring>

namespace {

struct CommandWord {
    const char* word;
    GameCommand command;
};

// Looked up in this order; the first match wins.
constexpr CommandWord kCommands[] = {
    {"show", GameCommand::show},   {"hide", GameCommand::hide},     {"toggle", GameCommand::toggle},
    {"note", GameCommand::note},   {"reload", GameCommand::reload}, {"page", GameCommand::page},
    {"state", GameCommand::state}, {"window", GameCommand::window}, {"bye", GameCommand::bye},
};

} // namespace

std::string datagramText(const char* bytes, size_t length) {
    if (length == 0)
        return {}; // memchr must not see a null buffer, not even for no bytes
    const void* zero = std::memchr(bytes, 0, length);
    return std::string(bytes, zero ? static_cast<const char*>(zero) - bytes : length);
}

Datagram parseDatagram(const std::string& text) {
    Datagram datagram;
    if (text.size() < 5 || text.compare(0, 5, "VYRO ") != 0)
        return datagram;
    std::string rest = text.substr(5);
    size_t space = rest.find(' ');
    std::string word = rest.substr(0, space);
    if (space != std::string::npos)
        datagram.argument = rest.substr(space + 1);
    for (const CommandWord& entry : kCommands) {
        if (word == entry.word) {
            datagram.command = entry.command;
            return datagram;
        }
    }
    datagram.argument.clear();
    return datagram;
}

bool takeReplyAddress(bool& replyLatched, uint16_t senderPort) {
    bool take = senderPort == kGameSidePort || !replyLatched;
    if (!replyLatched)
        replyLatched = senderPort == kGameSidePort;
    return take;
}

const char* modeName(int mode) {
    switch (mode) {
    case 1:
        return "passive";
    case 2:
        return "active";
    default:
        return "hidden";
    }
}

std::string outgoingDatagram(const std::string& text) {
    return "VYRO " + text;
}

std::string stateText(int mode) {
    return std::string("state ") + modeName(mode);
}

std::string byeReason(unsigned senderPort) {
    return "'bye' from UDP port " + std::to_string(senderPort);
}

bool wantsBorderless(const std::string& argument) {
    return argument == "borderless";
}

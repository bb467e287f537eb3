// Datagrams from any local process: the text cut at its first zero byte, the command split
// off, and the reply address moved only by the rule. No crash for any bytes; a recognised
// datagram is exactly its magic, word and argument put together again.
#include <cstring>
#include <vector>

#include "borderless_geometry.h"
#include "datagram.h"
#include "fuzz_input.h"

namespace {

const char* wordOf(GameCommand command) {
    switch (command) {
    case GameCommand::show:
        return "show";
    case GameCommand::hide:
        return "hide";
    case GameCommand::toggle:
        return "toggle";
    case GameCommand::note:
        return "note";
    case GameCommand::reload:
        return "reload";
    case GameCommand::page:
        return "page";
    case GameCommand::state:
        return "state";
    case GameCommand::window:
        return "window";
    case GameCommand::bye:
        return "bye";
    case GameCommand::none:
        break;
    }
    return nullptr;
}

// The reply-address rule replayed over a run of sender ports taken from the input.
void checkReplyAddress(const std::uint8_t* data, std::size_t size) {
    bool latched = false;
    bool gameSeen = false;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        // Two bytes a port; the game side's port itself whenever the first byte is 0xFF.
        std::uint16_t port = data[i] == 0xFF
                                 ? kGameSidePort
                                 : static_cast<std::uint16_t>(data[i] | (data[i + 1] << 8));
        bool fromGame = port == kGameSidePort;
        bool taken = takeReplyAddress(latched, port);
        FUZZ_CHECK(taken == (fromGame || !gameSeen));
        gameSeen = gameSeen || fromGame;
        FUZZ_CHECK(latched == gameSeen);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A copy of exactly the received length, so reading past it is caught; like the
    // program's receive buffer it exists even for an empty datagram.
    std::vector<char> bytes(data, data + size);
    bytes.reserve(1);
    const std::string text = datagramText(bytes.data(), bytes.size());
    FUZZ_CHECK(text.size() <= size);
    FUZZ_CHECK(text.find('\0') == std::string::npos);
    FUZZ_CHECK(std::memcmp(text.data(), data, text.size()) == 0);
    FUZZ_CHECK(text.size() == size || data[text.size()] == 0);

    const Datagram datagram = parseDatagram(text);
    if (datagram.command == GameCommand::none) {
        FUZZ_CHECK(datagram.argument.empty());
    } else {
        const std::string word = wordOf(datagram.command);
        const bool argumentGiven = text.size() > 5 + word.size();
        FUZZ_CHECK(text == "VYRO " + word + (argumentGiven ? " " + datagram.argument : ""));
        FUZZ_CHECK(outgoingDatagram(text.substr(5)) == text);
    }
    FUZZ_CHECK(wantsBorderless(datagram.argument) == asksForBorderless(datagram.argument));

    checkReplyAddress(data, size);
    return 0;
}

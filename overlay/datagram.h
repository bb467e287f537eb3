#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// The game side's datagrams: "VYRO", one space, a command word, and optionally one space
// and an argument running to the end.
constexpr uint16_t kGameSidePort = 47630;

enum class GameCommand { none, show, hide, toggle, note, reload, page, state, window, bye };

struct Datagram {
    GameCommand command = GameCommand::none;
    std::string argument; // UTF-8
};

// The received bytes as text: cut at the first zero byte.
std::string datagramText(const char* bytes, size_t length);

// Splits a datagram; command is none for anything without the magic or with an unknown
// word (case-sensitive).
Datagram parseDatagram(const std::string& text);

// Whether a datagram from senderPort moves the reply address; updates the latch. Before a
// datagram from the game side's own port has been seen every sender becomes the reply
// address; after that only that port does.
bool takeReplyAddress(bool& replyLatched, uint16_t senderPort);

// "hidden", "passive" or "active".
const char* modeName(int mode);

// The outgoing datagram for a text: the magic and a space before it.
std::string outgoingDatagram(const std::string& text);

// The "state" answer and the good-bye reason.
std::string stateText(int mode);
std::string byeReason(unsigned senderPort);

// The argument that turns the game window borderless; anything else frames it again.
bool wantsBorderless(const std::string& argument);

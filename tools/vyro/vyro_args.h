#pragma once
#include <cstdint>
#include <string>
#include <vector>

// What one run of vyro is asked to do, read from its command line.
constexpr uint16_t kGameSidePort = 47630;
constexpr uint16_t kOverlayPort = 47632;
constexpr int kDefaultTimeoutMs = 2000;

enum class VyroCommand {
    none,
    help,
    show,
    hide,
    toggle,
    note,
    page,
    state,
    window,
    reload,
    bye,
    listen
};

struct VyroRequest {
    VyroCommand command = VyroCommand::none;
    std::string argument;     // UTF-8; the pad, the note, the page message, the window mode
    bool hasArgument = false; // an argument was given (an empty pad is still a pad)
    uint16_t fromPort = kGameSidePort;
    uint16_t overlayPort = kOverlayPort;
    int timeoutMs = kDefaultTimeoutMs;
    int listenMs = 0;  // 0: listen until interrupted
    std::string error; // set when the command line is refused
};

// Reads the arguments after the program name. Options (--from, --port, --timeout) may stand
// before or after the command; "--" ends the options, so a note may begin with "--". Only
// words beginning with "--" (and -h) are options: "vyro note -5" sends the number -5.
VyroRequest parseArguments(const std::vector<std::string>& args);

// The text printed for "vyro --help" and after a refused command line.
const char* usageText();

#pragma once
#include <string>
#include <vector>

// Waiting for the UDP port while another overlay may still hold it: at most 120 bind
// attempts, 250 ms apart.
constexpr int kPortWaitAttempts = 120;
constexpr int kPortWaitPauseMs = 250;

struct PortWaitStep {
    std::vector<std::string> lines; // to log, in order
    bool giveUp = false;            // leave start-up now, exit code 0
};

// What to do after the failedBinds-th failed bind in a row (1 for the first).
PortWaitStep portWaitStep(int failedBinds, int port);

// Logged once the bind succeeds after failedBinds failures.
std::string portFreeLine(int port, int failedBinds);

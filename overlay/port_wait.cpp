#include "port_wait.h"

PortWaitStep portWaitStep(int failedBinds, int port) {
    PortWaitStep step;
    std::string number = std::to_string(port);
    if (failedBinds == 1) {
        step.lines.push_back("port " + number + " is taken - waiting for it (up to 30 s)");
    } else if (failedBinds >= kPortWaitAttempts) {
        step.lines.push_back("port " + number +
                             " still taken after 30 s - another overlay runs; exiting");
        step.lines.push_back("exit (port " + number + " taken)");
        step.giveUp = true;
    }
    return step;
}

std::string portFreeLine(int port, int failedBinds) {
    return "port " + std::to_string(port) + " free after " +
           std::to_string(failedBinds * kPortWaitPauseMs) + " ms";
}

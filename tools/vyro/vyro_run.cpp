#include "vyro_run.h"

#include <chrono>

#include "udp_port.h"
#include "vyro_args.h"
#include "vyro_datagram.h"

namespace {

constexpr int kNoAnswer = 1;
constexpr int kBadArguments = 2;
constexpr int kNetworkError = 3;

using Clock = std::chrono::steady_clock;

int msLeft(Clock::time_point end) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

std::string secondsText(int ms) {
    std::string text = std::to_string(ms / 1000);
    if (ms % 1000 != 0) {
        std::string fraction = std::to_string(1000 + ms % 1000).substr(1);
        while (fraction.back() == '0')
            fraction.pop_back();
        text += "." + fraction;
    }
    return text + " s";
}

int noOverlay(const VyroRequest& request, bool refused) {
    std::string port = std::to_string(request.overlayPort);
    if (refused) {
        writeErr("vyro: nothing listens on UDP port " + port + " - is overlay_host running?\n");
    } else {
        writeErr("vyro: no answer from an overlay on UDP port " + port + " within " +
                 secondsText(request.timeoutMs) + " - is overlay_host running?\n");
        if (request.fromPort != kGameSidePort) {
            writeErr("vyro: once a game side has used port 47630, the overlay answers only "
                     "there; try without --from\n");
        }
    }
    return kNoAnswer;
}

int networkError(const std::string& error) {
    writeErr("vyro: " + error + "\n");
    return kNetworkError;
}

// Waits for the overlay's first datagram; returns 0 with its text or the exit code.
int firstAnswer(const VyroRequest& request, UdpPort& port, int waitMs, bool stateOnly,
                std::string& text) {
    Clock::time_point end = Clock::now() + std::chrono::milliseconds(waitMs);
    while (true) {
        std::string datagram;
        std::string error;
        NetResult result = receiveDatagram(port, msLeft(end), datagram, error);
        if (result == NetResult::refused)
            return noOverlay(request, true);
        if (result == NetResult::failed)
            return networkError(error);
        if (result == NetResult::timeout)
            return noOverlay(request, false);
        if (overlayText(datagram, text) && (!stateOnly || text.compare(0, 6, "state ") == 0))
            return 0;
    }
}

int listen(const VyroRequest& request, UdpPort& port) {
    bool forever = request.listenMs == 0;
    Clock::time_point end = Clock::now() + std::chrono::milliseconds(request.listenMs);
    int firstWait =
        forever || request.timeoutMs < request.listenMs ? request.timeoutMs : request.listenMs;
    std::string text;
    int code = firstAnswer(request, port, firstWait, false, text);
    if (code != 0)
        return code;
    writeOut(printableLine(text) + "\n");
    while (forever || msLeft(end) > 0) {
        std::string datagram;
        std::string error;
        // An overlay that ends and starts again while we listen is no reason to stop.
        NetResult result = receiveDatagram(port, forever ? 1000 : msLeft(end), datagram, error);
        if (result == NetResult::failed)
            return networkError(error);
        if (result == NetResult::ok && overlayText(datagram, text))
            writeOut(printableLine(text) + "\n");
    }
    return 0;
}

} // namespace

int runVyro(const std::vector<std::string>& args) {
    VyroRequest request = parseArguments(args);
    if (request.command == VyroCommand::help) {
        writeOut(usageText());
        return 0;
    }
    if (request.command == VyroCommand::none) {
        writeErr("vyro: " + request.error + "\nvyro: see vyro --help\n");
        return kBadArguments;
    }

    std::string error;
    if (!netStartup(error))
        return networkError(error);
    UdpPort port;
    bool taken = false;
    int code = 0;
    if (!openUdpPort(port, request.fromPort, request.overlayPort, taken, error)) {
        if (taken) {
            error = "local UDP port " + std::to_string(request.fromPort) +
                    " is taken (does a game side hold it?); pick another with --from";
        }
        code = networkError(error);
    } else if (sendDatagram(port, requestDatagram(request), error) != NetResult::ok) {
        code = networkError(error);
    } else if (request.command == VyroCommand::state) {
        std::string text;
        code = firstAnswer(request, port, request.timeoutMs, true, text);
        if (code == 0)
            writeOut(printableLine(text.substr(6)) + "\n");
    } else if (request.command == VyroCommand::listen) {
        code = listen(request, port);
    }
    closeUdpPort(port);
    netCleanup();
    return code;
}

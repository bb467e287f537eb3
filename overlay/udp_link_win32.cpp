// The UDP link with the game side: drain, reply address, command table, send.
#include "udp_link.h"

#include "borderless.h"
#include "datagram.h"
#include "display_modes.h"
#include "host_window.h"
#include "log.h"
#include "overlay_state.h"
#include "page_bridge.h"
#include "page_host.h"
#include "page_messages.h"
#include "rate_stats.h"
#include "utf8.h"

namespace {

// Reused for every datagram: 65,535 bytes of data and room for a terminating zero.
char receiveBuffer[65536];

void postNote(const std::string& argument) {
    std::wstring message = noteMessage(fromUtf8(argument));
    if (state.displayMode == 0)
        setMode(1);
    if (!state.pageReady)
        keepMessage(message);
    else
        postToPage(message);
}

} // namespace

// One datagram per notification. Every receive re-arms the read notification, and Winsock
// posts it again at once while more data waits, so each notification has its datagram: a loop
// draining the socket would leave one notification behind for every datagram after the first,
// each later costing a message and a receive that finds nothing, and it would end every drain
// with such a receive. Under Wine each of those is a round trip to the server.
void receiveDatagrams() {
    sockaddr_in sender{};
    int senderSize = sizeof sender;
    int received = recvfrom(state.udpSocket, receiveBuffer, 65535, 0,
                            reinterpret_cast<sockaddr*>(&sender), &senderSize);
    if (received < 1)
        return;
    rateCount(RateEvent::gameToHost);
    receiveBuffer[received] = '\0';
    uint16_t port = ntohs(sender.sin_port);
    if (takeReplyAddress(state.replyLatched, port)) {
        state.replyAddress = sender;
        state.replyKnown = true;
    }
    state.lastSenderPort = port;
    handleDatagram(datagramText(receiveBuffer, static_cast<size_t>(received)));
}

void handleDatagram(const std::string& text) {
    Datagram datagram = parseDatagram(text);
    switch (datagram.command) {
    case GameCommand::show:
        requestShow(fromUtf8(datagram.argument));
        break;
    case GameCommand::hide:
        requestClose();
        break;
    case GameCommand::toggle:
        if (state.displayMode != 2)
            requestShow(fromUtf8(datagram.argument));
        else
            requestClose();
        break;
    case GameCommand::note:
        postNote(datagram.argument);
        break;
    case GameCommand::reload:
        reloadPage();
        break;
    case GameCommand::page:
        postToPage(fromUtf8(datagram.argument));
        break;
    case GameCommand::state:
        sendToGame(stateText(state.displayMode));
        break;
    case GameCommand::window:
        gameWindowCommand(datagram.argument);
        break;
    case GameCommand::bye:
        logLine("'bye' from UDP port %u", static_cast<unsigned>(state.lastSenderPort));
        requestExit(byeReason(state.lastSenderPort));
        break;
    case GameCommand::none:
        break;
    }
}

void sendToGame(const std::string& text) {
    if (!state.replyKnown || state.udpSocket == INVALID_SOCKET)
        return;
    std::string datagram = outgoingDatagram(text);
    rateCount(RateEvent::hostToGame);
    sendto(state.udpSocket, datagram.data(), static_cast<int>(datagram.size()), 0,
           reinterpret_cast<const sockaddr*>(&state.replyAddress), sizeof state.replyAddress);
}

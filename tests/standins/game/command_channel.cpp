#include "command_channel.h"

#include <ws2tcpip.h>

#include <cstring>
#include <string>
#include <vector>

#include "commands.h"
#include "game_state.h"
#include "json_text.h"

namespace {

constexpr UINT socketMessage = WM_APP + 1;

// A test resends a request whose reply it missed; the request must not run twice.
struct LastRequest {
    sockaddr_in from{};
    std::string seq;
    std::string reply;
} last;

std::vector<std::string> splitFields(const std::string& datagram) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        size_t tab = datagram.find('\t', start);
        fields.push_back(datagram.substr(start, tab - start));
        if (tab == std::string::npos)
            return fields;
        start = tab + 1;
    }
}

bool sameSender(const sockaddr_in& a, const sockaddr_in& b) {
    return a.sin_port == b.sin_port && a.sin_addr.s_addr == b.sin_addr.s_addr;
}

std::string answer(const std::string& datagram, const sockaddr_in& from) {
    std::vector<std::string> fields = splitFields(datagram);
    if (fields[0] == last.seq && sameSender(from, last.from))
        return last.reply;
    JsonText reply;
    reply.add("seq", fields[0]);
    fields.erase(fields.begin());
    runCommand(fields, reply);
    last = {from, datagram.substr(0, datagram.find('\t')), reply.done()};
    return last.reply;
}

void drainSocket() {
    std::vector<char> buffer(65536);
    for (;;) {
        sockaddr_in from{};
        int fromSize = sizeof from;
        int got = recvfrom(game.socket, buffer.data(), static_cast<int>(buffer.size()), 0,
                           reinterpret_cast<sockaddr*>(&from), &fromSize);
        if (got < 0)
            return;
        std::string reply = answer(std::string(buffer.data(), static_cast<size_t>(got)), from);
        sendto(game.socket, reply.data(), static_cast<int>(reply.size()), 0,
               reinterpret_cast<const sockaddr*>(&from), fromSize);
    }
}

LRESULT CALLBACK channelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == socketMessage) {
        drainSocket();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

bool openChannel(int port) {
    WSADATA data{};
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0)
        return false;
    game.socket = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (game.socket == INVALID_SOCKET)
        return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
    address.sin_port = htons(static_cast<u_short>(port));
    if (bind(game.socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return false;

    // Message-only: never among the top-level windows the overlay enumerates.
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = channelProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"StandinGameChannel";
    RegisterClassExW(&windowClass);
    game.channelWindow = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0,
                                         HWND_MESSAGE, nullptr, windowClass.hInstance, nullptr);
    return game.channelWindow &&
           WSAAsyncSelect(game.socket, game.channelWindow, socketMessage, FD_READ) == 0;
}

void closeChannel() {
    if (game.socket != INVALID_SOCKET)
        closesocket(game.socket);
    game.socket = INVALID_SOCKET;
    WSACleanup();
}

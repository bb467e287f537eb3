#include "udp_port.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdio>

namespace {

sockaddr_in loopback(uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

std::string socketError(const char* what, int code) {
    return std::string(what) + " failed with Winsock error " + std::to_string(code);
}

SOCKET socketOf(const UdpPort& port) {
    return static_cast<SOCKET>(port.handle);
}

} // namespace

bool netStartup(std::string& error) {
    WSADATA data;
    int code = WSAStartup(MAKEWORD(2, 2), &data);
    if (code != 0) {
        error = socketError("WSAStartup", code);
        return false;
    }
    return true;
}

void netCleanup() {
    WSACleanup();
}

bool openUdpPort(UdpPort& port, uint16_t fromPort, uint16_t overlayPort, bool& taken,
                 std::string& error) {
    SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (s == INVALID_SOCKET) {
        error = socketError("socket", WSAGetLastError());
        return false;
    }
    port.handle = static_cast<intptr_t>(s);
    // Without this another program could bind the same port beside us.
    BOOL exclusive = TRUE;
    setsockopt(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive),
               sizeof exclusive);
    sockaddr_in local = loopback(fromPort);
    if (bind(s, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        int code = WSAGetLastError();
        taken = code == WSAEADDRINUSE || code == WSAEACCES;
        error = socketError("bind", code);
        return false;
    }
    sockaddr_in overlay = loopback(overlayPort);
    if (connect(s, reinterpret_cast<sockaddr*>(&overlay), sizeof overlay) != 0) {
        error = socketError("connect", WSAGetLastError());
        return false;
    }
    return true;
}

NetResult sendDatagram(UdpPort& port, const std::string& datagram, std::string& error) {
    int length = static_cast<int>(datagram.size());
    if (send(socketOf(port), datagram.data(), length, 0) == length)
        return NetResult::ok;
    int code = WSAGetLastError();
    if (code == WSAECONNRESET || code == WSAECONNREFUSED)
        return NetResult::refused;
    error = socketError("send", code);
    return NetResult::failed;
}

NetResult receiveDatagram(UdpPort& port, int timeoutMs, std::string& datagram, std::string& error) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socketOf(port), &readable);
    timeval wait{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    int ready = select(0, &readable, nullptr, nullptr, &wait);
    if (ready == SOCKET_ERROR) {
        error = socketError("select", WSAGetLastError());
        return NetResult::failed;
    }
    if (ready == 0)
        return NetResult::timeout;
    static char buffer[65536];
    int got = recv(socketOf(port), buffer, static_cast<int>(sizeof buffer), 0);
    if (got == SOCKET_ERROR) {
        int code = WSAGetLastError();
        // An ICMP "port unreachable" for what we sent comes back as a reset.
        if (code == WSAECONNRESET || code == WSAECONNREFUSED)
            return NetResult::refused;
        if (code == WSAEMSGSIZE || code == WSAEWOULDBLOCK)
            return NetResult::timeout;
        error = socketError("recv", code);
        return NetResult::failed;
    }
    datagram.assign(buffer, static_cast<size_t>(got));
    return NetResult::ok;
}

void closeUdpPort(UdpPort& port) {
    if (port.handle != -1)
        closesocket(socketOf(port));
    port.handle = -1;
}

void writeOut(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

void writeErr(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

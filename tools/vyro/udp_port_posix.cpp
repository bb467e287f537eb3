#include "udp_port.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

sockaddr_in loopback(uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

std::string systemError(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

} // namespace

bool netStartup(std::string&) {
    return true;
}

void netCleanup() {}

bool openUdpPort(UdpPort& port, uint16_t fromPort, uint16_t overlayPort, bool& taken,
                 std::string& error) {
    int s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (s < 0) {
        error = systemError("socket");
        return false;
    }
    port.handle = s;
    sockaddr_in local = loopback(fromPort);
    if (bind(s, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        taken = errno == EADDRINUSE;
        error = systemError("bind");
        return false;
    }
    sockaddr_in overlay = loopback(overlayPort);
    if (connect(s, reinterpret_cast<sockaddr*>(&overlay), sizeof overlay) != 0) {
        error = systemError("connect");
        return false;
    }
    return true;
}

NetResult sendDatagram(UdpPort& port, const std::string& datagram, std::string& error) {
    if (send(static_cast<int>(port.handle), datagram.data(), datagram.size(), 0) ==
        static_cast<ssize_t>(datagram.size()))
        return NetResult::ok;
    if (errno == ECONNREFUSED)
        return NetResult::refused;
    error = systemError("send");
    return NetResult::failed;
}

NetResult receiveDatagram(UdpPort& port, int timeoutMs, std::string& datagram, std::string& error) {
    pollfd wanted{static_cast<int>(port.handle), POLLIN, 0};
    int ready = poll(&wanted, 1, timeoutMs);
    if (ready < 0 && errno == EINTR)
        return NetResult::timeout;
    if (ready < 0) {
        error = systemError("poll");
        return NetResult::failed;
    }
    if (ready == 0)
        return NetResult::timeout;
    static char buffer[65536];
    ssize_t got = recv(static_cast<int>(port.handle), buffer, sizeof buffer, 0);
    if (got < 0) {
        if (errno == ECONNREFUSED)
            return NetResult::refused;
        if (errno == EAGAIN || errno == EINTR)
            return NetResult::timeout;
        error = systemError("recv");
        return NetResult::failed;
    }
    datagram.assign(buffer, static_cast<size_t>(got));
    return NetResult::ok;
}

void closeUdpPort(UdpPort& port) {
    if (port.handle >= 0)
        close(static_cast<int>(port.handle));
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

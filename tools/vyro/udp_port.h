#pragma once
#include <cstdint>
#include <string>

// The platform half of vyro: one UDP socket bound to 127.0.0.1 and connected to the overlay's
// port, so that it only hears the overlay and learns at once when nothing listens there (where
// the system reports it). Winsock on Windows, BSD sockets elsewhere.
enum class NetResult { ok, timeout, refused, failed };

struct UdpPort {
    intptr_t handle = -1;
};

bool netStartup(std::string& error);
void netCleanup();

// Binds fromPort (0: any free port) and connects to overlayPort. taken is set when the local
// port is in use.
bool openUdpPort(UdpPort& port, uint16_t fromPort, uint16_t overlayPort, bool& taken,
                 std::string& error);
NetResult sendDatagram(UdpPort& port, const std::string& datagram, std::string& error);
// Waits up to timeoutMs (at least one look) for one datagram.
NetResult receiveDatagram(UdpPort& port, int timeoutMs, std::string& datagram, std::string& error);
void closeUdpPort(UdpPort& port);

// Writes bytes to standard output or error and flushes them, so a pipe sees every line at once.
void writeOut(const std::string& text);
void writeErr(const std::string& text);

// The least a Wine program can do for a datagram round trip the way overlay_host does it: a
// loopback UDP socket whose arrivals are posted to a window (WSAAsyncSelect), one recvfrom on
// each notification (which comes again while more data waits) answered with sendto. Every
// datagram goes back unchanged to its sender. The port is the whole command line.
#include <windows.h>
#include <winsock2.h>

#include <cwchar>

namespace {

constexpr UINT kSocketMessage = WM_APP + 1;

SOCKET udpSocket = INVALID_SOCKET;
char buffer[65536];

void echoNext() {
    sockaddr_in sender{};
    int senderSize = sizeof sender;
    int received =
        recvfrom(udpSocket, buffer, 65535, 0, reinterpret_cast<sockaddr*>(&sender), &senderSize);
    if (received > 0)
        sendto(udpSocket, buffer, received, 0, reinterpret_cast<const sockaddr*>(&sender),
               senderSize);
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kSocketMessage) {
        echoNext();
        return 0;
    }
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    int port = static_cast<int>(std::wcstol(commandLine, nullptr, 10));
    WSADATA wsaData;
    if (WSAStartup(0x0202, &wsaData) != 0)
        return 1;
    udpSocket = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(udpSocket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return 2;
    // The same receive buffer as overlay_host asks for, so bursts are absorbed alike.
    int receiveBuffer = 4 * 1024 * 1024;
    setsockopt(udpSocket, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&receiveBuffer),
               sizeof receiveBuffer);

    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"VYRBenchEcho";
    RegisterClassW(&windowClass);
    // Hidden, as overlay_host's host window is until it shows: only its messages matter here.
    HWND window = CreateWindowExW(0, L"VYRBenchEcho", L"echo baseline", WS_POPUP, 0, 0, 100, 100,
                                  nullptr, nullptr, instance, nullptr);
    WSAAsyncSelect(udpSocket, window, kSocketMessage, FD_READ);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    closesocket(udpSocket);
    WSACleanup();
    return 0;
}

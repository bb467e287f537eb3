#include "commands.h"

#include "browser_process.h"
#include "controller.h"
#include "dispatch.h"
#include "process_failure.h"
#include "record.h"
#include "webview.h"

#include <winsock2.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

SOCKET commandSocket = INVALID_SOCKET;

// At most count fields; the last one keeps any further separators.
std::vector<std::string> split(const std::string& text, size_t count) {
    std::vector<std::string> fields;
    size_t start = 0;
    while (fields.size() + 1 < count) {
        const size_t end = text.find('\n', start);
        if (end == std::string::npos)
            break;
        fields.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    fields.push_back(text.substr(start));
    return fields;
}

void refuse(const std::string& id, const char* why) {
    recordNote("refused", {id, jsonUtf8(why)});
}

struct BrowserWindowSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK findBrowserWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<BrowserWindowSearch*>(param);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (processId == search->processId && std::wstring(name) == L"VYRStandinBrowser") {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

void browserWindow(const std::string& id, const std::string& what) {
    if (what != "show" && what != "hide") {
        refuse(id, "browser-window takes show or hide");
        return;
    }
    BrowserWindowSearch search{browserProcessId(), nullptr};
    EnumWindows(findBrowserWindow, reinterpret_cast<LPARAM>(&search));
    if (!search.found) {
        refuse(id, "no browser window");
        return;
    }
    // The browser brings itself to the front: only its own process may do so freely.
    PostMessageW(search.found, WM_APP + 1, what == "show" ? 1 : 0, 0);
    recordNote("browserWindow",
               {id, jsonUtf8(what),
                jsonInt(static_cast<long long>(reinterpret_cast<INT_PTR>(search.found)))});
}

void carryOut(const std::string& bytes) {
    // Ill-formed UTF-8 becomes U+FFFD here, so the record stays valid JSON.
    const std::string datagram = toUtf8(fromUtf8(bytes));
    const std::vector<std::string> head = split(datagram, 3);
    const std::string& command = head[0];
    const std::string id = head.size() > 1 ? jsonUtf8(head[1]) : "null";
    if (head.size() < 2) {
        refuse(id, "no command id");
        return;
    }
    if (command == "ping") {
        recordNote("pong", {id});
        return;
    }
    if (command == "browser-window") {
        browserWindow(id, head.size() > 2 ? head[2] : "");
        return;
    }
    if (command == "process-failed") {
        if (const char* why = failProcess(id, head.size() > 2 ? head[2] : ""))
            refuse(id, why);
        return;
    }
    if (command == "scale") {
        ComPtr<Controller> controller = Controller::live();
        char* end = nullptr;
        const std::string text = head.size() > 2 ? head[2] : "";
        const double scale = std::strtod(text.c_str(), &end);
        if (text.empty() || *end != '\0' || !(scale > 0))
            refuse(id, "scale takes a positive number");
        else if (!controller)
            refuse(id, "no controller");
        else
            controller->changeRasterizationScale(id, scale);
        return;
    }
    const bool message = command == "message-json" || command == "message-string";
    if (!message && command != "navigate" && command != "new-window") {
        refuse(id, "unknown command");
        return;
    }
    const std::vector<std::string> fields = split(datagram, message ? 4 : 3);
    if (fields.size() < (message ? 4u : 3u)) {
        refuse(id, "missing fields");
        return;
    }
    ComPtr<WebView> webView = WebView::live();
    if (!webView) {
        refuse(id, "no web view");
        return;
    }
    if (message && webView->showsErrorPage()) {
        refuse(id, "the renderer exited: an error page shows until the page is loaded again");
        return;
    }
    if (command == "message-json")
        webView->raiseWebMessage(id, fromUtf8(fields[2]), fromUtf8(fields[3]), std::nullopt);
    else if (command == "message-string")
        webView->raiseWebMessage(id, fromUtf8(fields[2]), L"", fromUtf8(fields[3]));
    else if (command == "navigate")
        webView->raiseNavigationStarting(id, fromUtf8(fields[2]), true);
    else
        webView->raiseNewWindowRequested(id, fromUtf8(fields[2]));
}

} // namespace

void startCommands() {
    if (commandSocket != INVALID_SOCKET)
        return;
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0)
        return;
    commandSocket = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (commandSocket == INVALID_SOCKET)
        return;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    int length = sizeof address;
    if (bind(commandSocket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(commandSocket, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        WSAAsyncSelect(commandSocket, dispatcherWindow(), kSocketMessage, FD_READ) != 0) {
        closesocket(commandSocket);
        commandSocket = INVALID_SOCKET;
        recordNote("refused", {"null", jsonUtf8("no command socket")});
        return;
    }
    recordNote("listening", {jsonInt(ntohs(address.sin_port))});
}

void serviceCommands() {
    static char buffer[65536];
    for (;;) {
        const int received = recv(commandSocket, buffer, sizeof buffer, 0);
        if (received < 0)
            return; // WSAEWOULDBLOCK: drained; the next datagram brings a new notification
        carryOut(std::string(buffer, static_cast<size_t>(received)));
    }
}

#include "browser_link.h"

#include "dispatch.h"
#include "record.h"

#include <winsock2.h>

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <thread>

struct BrowserLink {
    SOCKET socket = INVALID_SOCKET;
    std::mutex sendLock;
    std::mutex frameLock;
    BrowserListener listener;
    std::atomic<bool> closed{false};
    // The newest frame not yet shown; frames that arrive meanwhile replace it.
    int frameWidth = 0;
    int frameHeight = 0;
    std::vector<unsigned char> frame;
    bool framePosted = false;

    ~BrowserLink() {
        if (socket != INVALID_SOCKET)
            closesocket(socket);
    }
};

namespace {

unsigned short bridgePort() {
    wchar_t value[32];
    const DWORD length = GetEnvironmentVariableW(L"VYR_WV2_BROWSER", value, 32);
    if (length == 0 || length >= 32)
        return 0;
    const unsigned long port = std::wcstoul(value, nullptr, 10);
    return port > 0 && port < 65536 ? static_cast<unsigned short>(port) : 0;
}

bool receiveAll(SOCKET socket, char* data, size_t size) {
    while (size > 0) {
        const int got = recv(socket, data, static_cast<int>(size < 65536 ? size : 65536), 0);
        if (got <= 0)
            return false;
        data += got;
        size -= static_cast<size_t>(got);
    }
    return true;
}

unsigned readU32(const unsigned char* bytes) {
    return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<unsigned>(bytes[3]) << 24;
}

std::vector<std::string> splitFields(const std::string& text) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        fields.push_back(text.substr(start, end - start));
    fields.push_back(text.substr(start));
    return fields;
}

void showFrame(const std::shared_ptr<BrowserLink>& link) {
    int width, height;
    std::vector<unsigned char> frame;
    {
        std::lock_guard<std::mutex> hold(link->frameLock);
        link->framePosted = false;
        width = link->frameWidth;
        height = link->frameHeight;
        frame.swap(link->frame);
    }
    if (!link->closed && link->listener.onFrame && !frame.empty())
        link->listener.onFrame(width, height, std::move(frame));
}

// Blocking reads on a thread of its own; everything it reads is handed to the program's
// thread, where the runtime raises its events.
void readRecords(std::shared_ptr<BrowserLink> link) {
    std::vector<char> record;
    for (;;) {
        unsigned char head[4];
        if (!receiveAll(link->socket, reinterpret_cast<char*>(head), 4))
            break;
        const unsigned length = readU32(head);
        if (length == 0 || length > 256u * 1024 * 1024)
            break;
        record.resize(length);
        if (!receiveAll(link->socket, record.data(), length))
            break;
        if (record[0] == 'F' && length >= 9) {
            const auto* size = reinterpret_cast<const unsigned char*>(record.data() + 1);
            const unsigned width = readU32(size), height = readU32(size + 4);
            if (static_cast<unsigned long long>(width) * height * 4 != length - 9)
                continue;
            std::lock_guard<std::mutex> hold(link->frameLock);
            link->frameWidth = static_cast<int>(width);
            link->frameHeight = static_cast<int>(height);
            link->frame.assign(record.begin() + 9, record.end());
            if (!link->framePosted) {
                link->framePosted = true;
                postTask([link] { showFrame(link); });
            }
        } else if (record[0] == 'E') {
            std::vector<std::string> fields =
                splitFields(std::string(record.data() + 1, length - 1));
            postTask([link, fields] {
                if (!link->closed && link->listener.onEvent)
                    link->listener.onEvent(fields);
            });
        }
    }
}

} // namespace

bool browserBacked() {
    return bridgePort() != 0;
}

std::shared_ptr<BrowserLink> openBrowserLink() {
    const unsigned short port = bridgePort();
    if (port == 0)
        return nullptr;
    auto link = std::make_shared<BrowserLink>();
    link->socket = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (link->socket == INVALID_SOCKET ||
        connect(link->socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        if (link->socket != INVALID_SOCKET)
            closesocket(link->socket);
        recordNote("refused", {"null", jsonUtf8("the browser bridge cannot be reached")});
        return nullptr;
    }
    BOOL noDelay = TRUE;
    setsockopt(link->socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay),
               sizeof noDelay);
    std::thread(readRecords, link).detach();
    // The bridge starts this session's browser now, while the program sets up its window.
    sendBrowserOp(*link, "{\"op\":\"hello\"}");
    return link;
}

void setBrowserListener(BrowserLink& link, BrowserListener listener) {
    link.listener = std::move(listener);
}

void sendBrowserOp(BrowserLink& link, const std::string& json) {
    if (link.closed)
        return;
    std::string record(4, '\0');
    const size_t length = json.size();
    for (int i = 0; i < 4; ++i)
        record[static_cast<size_t>(i)] = static_cast<char>((length >> (8 * i)) & 0xff);
    record += json;
    std::lock_guard<std::mutex> hold(link.sendLock);
    size_t sent = 0;
    while (sent < record.size()) {
        const int wrote =
            send(link.socket, record.data() + sent, static_cast<int>(record.size() - sent), 0);
        if (wrote <= 0)
            return;
        sent += static_cast<size_t>(wrote);
    }
}

void closeBrowserLink(BrowserLink& link) {
    if (link.closed.exchange(true))
        return;
    // The reader sees the end of the stream and stops; the bridge closes the browser.
    shutdown(link.socket, SD_BOTH);
}

std::string unixPath(const std::wstring& windowsPath) {
    using Convert = char*(CDECL*)(LPCWSTR);
    static const auto convert = reinterpret_cast<Convert>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!convert)
        return toUtf8(windowsPath);
    char* path = convert(windowsPath.c_str());
    if (!path)
        return toUtf8(windowsPath);
    std::string result = path;
    HeapFree(GetProcessHeap(), 0, path);
    return result;
}

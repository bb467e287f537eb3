#include "pwsh_link.h"

#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <vector>

// The wire, both ways little-endian:
//   request: u32 count, then count strings (u32 length, UTF-8 bytes): the working folder, then
//            the arguments after the program name;
//   replies: frames of u8 kind, u32 length, bytes: 1 standard output, 2 standard error,
//            3 exit (4 bytes, the exit code); the runner closes after the exit frame.

namespace {

using UnixFileName = char*(CDECL*)(LPCWSTR);

UnixFileName wineMapper() {
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    return kernel ? reinterpret_cast<UnixFileName>(
                        reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_unix_file_name")))
                  : nullptr;
}

bool isDrivePath(const std::wstring& text) {
    return text.size() >= 3 &&
           ((text[0] >= L'A' && text[0] <= L'Z') || (text[0] >= L'a' && text[0] <= L'z')) &&
           text[1] == L':' && (text[2] == L'\\' || text[2] == L'/');
}

void putU32(std::string& out, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

void putString(std::string& out, const std::string& text) {
    putU32(out, static_cast<uint32_t>(text.size()));
    out += text;
}

bool sendAll(SOCKET socket, const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        int got = send(socket, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
        if (got <= 0)
            return false;
        sent += static_cast<size_t>(got);
    }
    return true;
}

bool receiveAll(SOCKET socket, char* into, size_t size) {
    size_t have = 0;
    while (have < size) {
        int got = recv(socket, into + have, static_cast<int>(size - have), 0);
        if (got <= 0)
            return false;
        have += static_cast<size_t>(got);
    }
    return true;
}

void writeHandle(DWORD which, const std::vector<char>& bytes) {
    HANDLE handle = GetStdHandle(which);
    DWORD written = 0;
    if (handle && handle != INVALID_HANDLE_VALUE && !bytes.empty())
        WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

int fail(const char* what) {
    std::string line = std::string("stand-in powershell: ") + what + "\r\n";
    writeHandle(STD_ERROR_HANDLE, std::vector<char>(line.begin(), line.end()));
    return 1;
}

} // namespace

std::string linuxPath(const std::wstring& windowsPath) {
    static UnixFileName mapper = wineMapper();
    if (!mapper)
        return {};
    if (char* mapped = mapper(windowsPath.c_str())) {
        std::string path(mapped);
        HeapFree(GetProcessHeap(), 0, mapped);
        return path;
    }
    // Wine maps a missing last part but not a missing folder above it: map the parent.
    size_t cut = windowsPath.find_last_of(L"\\/");
    if (cut == std::wstring::npos || cut <= 2)
        return {};
    std::string parent = linuxPath(windowsPath.substr(0, cut));
    if (parent.empty())
        return {};
    return parent + "/" + toUtf8(windowsPath.substr(cut + 1));
}

namespace {

// A -Command text with each literal that is a drive path mapped to its Linux path, as UTF-8;
// empty when a path has none.
std::string linuxCommand(const std::wstring& command) {
    std::string out;
    bool mappedAll = true;
    walkCommand(
        command,
        [&](const std::wstring& value) {
            std::string text = isDrivePath(value) ? linuxPath(value) : toUtf8(value);
            mappedAll = mappedAll && (!text.empty() || value.empty());
            std::wstring quoted = L"'";
            for (wchar_t c : fromUtf8(text)) {
                quoted += c;
                if (c == L'\'' || (c >= 0x2018 && c <= 0x201B))
                    quoted += c;
            }
            out += toUtf8(quoted + L"'");
        },
        [&](const std::wstring& text) { out += toUtf8(text); });
    return mappedAll ? out : std::string();
}

} // namespace

int runInLinuxPowerShell(const Invocation& invocation, unsigned short port) {
    std::string request;
    std::string cwd = linuxPath(invocation.cwd);
    if (cwd.empty())
        return fail("the working folder has no Linux path (is this Wine?)");
    putU32(request, static_cast<uint32_t>(invocation.argv.size()));
    putString(request, cwd);
    for (size_t i = 1; i < invocation.argv.size(); ++i) {
        const std::wstring& argument = invocation.argv[i];
        bool command = _wcsicmp(invocation.argv[i - 1].c_str(), L"-Command") == 0;
        std::string mapped = command                 ? linuxCommand(argument)
                             : isDrivePath(argument) ? linuxPath(argument)
                                                     : toUtf8(argument);
        if (mapped.empty() && !argument.empty())
            return fail("a path argument has no Linux path");
        putString(request, mapped);
    }

    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0)
        return fail("no Winsock");
    SOCKET link = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (link == INVALID_SOCKET ||
        connect(link, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        !sendAll(link, request)) {
        if (link != INVALID_SOCKET)
            closesocket(link);
        WSACleanup();
        return fail("the PowerShell runner on the Linux side did not answer");
    }

    bool ended = false;
    int code = 1;
    for (;;) {
        char head[5];
        if (!receiveAll(link, head, sizeof(head)))
            break;
        uint32_t length = 0;
        for (int i = 0; i < 4; ++i)
            length |= static_cast<uint32_t>(static_cast<unsigned char>(head[1 + i])) << (8 * i);
        std::vector<char> body(length);
        if (length && !receiveAll(link, body.data(), length))
            break;
        if (head[0] == 1)
            writeHandle(STD_OUTPUT_HANDLE, body);
        else if (head[0] == 2)
            writeHandle(STD_ERROR_HANDLE, body);
        else if (head[0] == 3 && length == 4) {
            uint32_t value = 0;
            std::memcpy(&value, body.data(), 4);
            code = static_cast<int>(value);
            ended = true;
            break;
        }
    }
    closesocket(link);
    WSACleanup();
    if (!ended)
        return fail("the PowerShell runner ended without an exit code");
    return code;
}

// The least a Windows program does for the launcher's status query: start a command line the
// way the launcher starts the kit script (an anonymous pipe of the default size as standard
// output and error, its read end kept from the child, no window, the caller's standard input),
// read the output in chunks of 64 KiB until the pipe ends, wait for the process and close
// everything. Timed from just before the pipe is made to the read end closed, the span of the
// launcher's "status: ... bytes in ... ms" line.
//   status_baseline.exe PORT WORKING_FOLDER COMMAND_LINE_FILE
// The command line file holds the command line in UTF-8 (the launcher's own, as the stand-in
// PowerShell recorded it). Like the launcher it stays running and queries on request: each
// datagram to 127.0.0.1:PORT runs one query and is answered with "<bytes> <microseconds>", or
// "failed" when the process could not be started; "ping" is answered "pong" and runs nothing.
#include <winsock2.h>
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::wstring readCommandLine(const wchar_t* path) {
    std::string bytes;
    if (FILE* file = _wfopen(path, L"rb")) {
        char buffer[4096];
        size_t got = 0;
        while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
            bytes.append(buffer, got);
        std::fclose(file);
    }
    while (!bytes.empty() && (bytes.back() == '\n' || bytes.back() == '\r'))
        bytes.pop_back();
    int size =
        MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(size > 0 ? size : 0, L'\0');
    if (size > 0)
        MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(),
                            size);
    return text;
}

// One query as the launcher runs it: the output's size and the time it took.
bool query(std::vector<wchar_t> commandLine, const wchar_t* folder, size_t& bytes,
           long long& microseconds) {
    LARGE_INTEGER frequency, begin, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&begin);
    SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0))
        return false;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION process{};
    BOOL started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE,
                                  CREATE_NO_WINDOW, nullptr, folder, &startup, &process);
    CloseHandle(writeEnd);
    std::string output;
    if (started) {
        std::vector<char> chunk(65536);
        DWORD got = 0;
        while (ReadFile(readEnd, chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr) &&
               got > 0)
            output.append(chunk.data(), got);
        WaitForSingleObject(process.hProcess, 30000);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    CloseHandle(readEnd);
    QueryPerformanceCounter(&end);
    bytes = output.size();
    microseconds = (end.QuadPart - begin.QuadPart) * 1000000 / frequency.QuadPart;
    return started != FALSE;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int count = 0;
    wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!args || count < 4)
        return 2;
    std::wstring commandLine = readCommandLine(args[3]);
    std::vector<wchar_t> writable(commandLine.begin(), commandLine.end());
    writable.push_back(L'\0');

    WSADATA wsaData;
    if (WSAStartup(0x0202, &wsaData) != 0)
        return 3;
    SOCKET requests = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(std::wcstol(args[1], nullptr, 10)));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(requests, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return 4;
    for (;;) {
        char request[64];
        sockaddr_in sender{};
        int senderSize = sizeof sender;
        int got = recvfrom(requests, request, sizeof request, 0,
                           reinterpret_cast<sockaddr*>(&sender), &senderSize);
        // An answer that found the asker gone leaves a port-unreachable that the next receive
        // reports as WSAECONNRESET (the recvfrom reference); the overlay reads past it too.
        if (got < 0 && WSAGetLastError() == WSAECONNRESET)
            continue;
        if (got < 0)
            break;
        size_t bytes = 0;
        long long microseconds = 0;
        char answer[64] = "failed";
        if (got >= 4 && std::memcmp(request, "ping", 4) == 0)
            std::strcpy(answer, "pong");
        else if (query(writable, args[2], bytes, microseconds))
            std::snprintf(answer, sizeof answer, "%llu %lld",
                          static_cast<unsigned long long>(bytes), microseconds);
        sendto(requests, answer, static_cast<int>(std::strlen(answer)), 0,
               reinterpret_cast<const sockaddr*>(&sender), senderSize);
    }
    closesocket(requests);
    WSACleanup();
    return 0;
}

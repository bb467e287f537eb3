// The least a Windows program does for the launcher's status query: start a command line the
// way the launcher starts the kit script (an anonymous pipe of the default size as standard
// output and error, its read end kept from the child, no window, the caller's standard input),
// read the output in chunks of 64 KiB until the pipe ends, wait for the process and close
// everything. Timed from just before the pipe is made to the read end closed, the span of the
// launcher's "status: ... bytes in ... ms" line. It runs the query twice and times the second:
// the first in a fresh process pays for loading what process creation needs, which the
// long-running launcher has paid for before its first query.
//   status_baseline.exe RESULT_FILE WORKING_FOLDER COMMAND_LINE_FILE
// The command line file holds the command line in UTF-8 (the launcher's own, as the stand-in
// PowerShell recorded it). RESULT_FILE gets "<bytes> <microseconds>", written whole.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
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

bool writeResult(const std::wstring& path, size_t bytes, long long microseconds) {
    std::wstring temporary = path + L".new";
    FILE* file = _wfopen(temporary.c_str(), L"wb");
    if (!file)
        return false;
    std::fprintf(file, "%llu %lld\n", static_cast<unsigned long long>(bytes), microseconds);
    bool written = std::fclose(file) == 0;
    return written && MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
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
    size_t bytes = 0;
    long long microseconds = 0;
    for (int run = 0; run < 2; ++run)
        if (!query(writable, args[2], bytes, microseconds))
            return 4;
    return writeResult(args[1], bytes, microseconds) ? 0 : 5;
}

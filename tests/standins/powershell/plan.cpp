#include "plan.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>

namespace {

void writeHandle(DWORD which, const std::string& bytes) {
    HANDLE handle = GetStdHandle(which);
    DWORD written = 0;
    if (handle && handle != INVALID_HANDLE_VALUE && !bytes.empty())
        WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void closeOutput() {
    for (DWORD which : {STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
        HANDLE handle = GetStdHandle(which);
        if (handle && handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
        SetStdHandle(which, nullptr);
    }
}

void writeFile(const std::wstring& folder, const std::wstring& name, const std::string& bytes,
               const wchar_t* mode) {
    SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    if (FILE* file = _wfopen((folder + L"\\" + name).c_str(), mode)) {
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }
}

std::wstring wide(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

void waitForFile(const std::wstring& path) {
    for (int i = 0; i < 6000 && GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES; ++i)
        Sleep(20);
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return 0;
}

} // namespace

std::string unescape(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        char c = text[++i];
        if (c == 'r')
            out += '\r';
        else if (c == 'n')
            out += '\n';
        else if (c == 't')
            out += '\t';
        else if (c == 'x' && i + 2 < text.size()) {
            out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else
            out += c;
    }
    return out;
}

int runPlan(const std::wstring& planPath, const std::wstring& controlDir,
            const std::wstring& runDir) {
    std::string text;
    if (FILE* file = _wfopen(planPath.c_str(), L"rb")) {
        char block[4096];
        size_t got = 0;
        while ((got = std::fread(block, 1, sizeof(block), file)) > 0)
            text.append(block, got);
        std::fclose(file);
    }
    size_t from = 0;
    while (from < text.size()) {
        size_t end = text.find('\n', from);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(from, end - from);
        from = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        size_t blank = line.find(' ');
        std::string step = line.substr(0, blank);
        std::string rest = blank == std::string::npos ? std::string() : line.substr(blank + 1);
        if (step == "out")
            writeHandle(STD_OUTPUT_HANDLE, unescape(rest));
        else if (step == "err")
            writeHandle(STD_ERROR_HANDLE, unescape(rest));
        else if (step == "outrepeat") {
            size_t space = rest.find(' ');
            long count = std::atol(rest.substr(0, space).c_str());
            std::string text = space == std::string::npos ? "" : unescape(rest.substr(space + 1));
            std::string all;
            for (long i = 0; i < count; ++i)
                all += text;
            writeHandle(STD_OUTPUT_HANDLE, all);
        } else if (step == "closeout")
            closeOutput();
        else if (step == "log")
            writeFile(runDir, L"action.log", unescape(rest), L"ab");
        else if (step == "logreset")
            writeFile(runDir, L"action.log", unescape(rest), L"wb");
        else if (step == "result")
            writeFile(runDir, L"result.json", unescape(rest), L"wb");
        else if (step == "mark")
            writeFile(controlDir, wide(rest), "", L"wb");
        else if (step == "wait")
            waitForFile(controlDir + L"\\" + wide(rest));
        else if (step == "exit")
            return static_cast<int>(std::strtoul(rest.c_str(), nullptr, 10));
    }
    return 0;
}

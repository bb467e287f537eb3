#include "record.h"

#include "config.h"

#include <cstdio>
#include <mutex>

namespace {

std::mutex recordLock;
HANDLE recordFile = INVALID_HANDLE_VALUE;
bool recordOpened = false;
long long sequence = 0;
int unrecorded = 0; // nesting of UnrecordedCalls, on the program's thread
ULONGLONG startTick = GetTickCount64();

void append(const char* kind, const char* name, std::initializer_list<std::string> args) {
    std::lock_guard<std::mutex> hold(recordLock);
    if (!recordOpened) {
        recordOpened = true;
        const std::wstring& path = standinConfig().recordPath;
        if (!path.empty())
            recordFile = CreateFileW(path.c_str(), FILE_APPEND_DATA,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    if (recordFile == INVALID_HANDLE_VALUE)
        return;
    std::string line = "{\"seq\":" + std::to_string(++sequence) +
                       ",\"ms\":" + std::to_string(GetTickCount64() - startTick) + ",\"" + kind +
                       "\":\"" + name + "\",\"args\":[";
    bool first = true;
    for (const std::string& arg : args) {
        if (!first)
            line += ',';
        first = false;
        line += arg;
    }
    line += "]}\n";
    DWORD written = 0;
    WriteFile(recordFile, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

} // namespace

std::string toUtf8(const std::wstring& text) {
    if (text.empty())
        return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size : 0, '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(),
                            size, nullptr, nullptr);
    return out;
}

std::wstring fromUtf8(const std::string& text) {
    if (text.empty())
        return {};
    const int size =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(size > 0 ? size : 0, L'\0');
    if (size > 0)
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(),
                            size);
    return out;
}

std::string jsonUtf8(const std::string& utf8) {
    std::string out = "\"";
    for (unsigned char c : utf8) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string jsonText(const wchar_t* text) {
    return text ? jsonUtf8(toUtf8(text)) : "null";
}

std::string jsonText(const std::wstring& text) {
    return jsonUtf8(toUtf8(text));
}

std::string jsonBool(BOOL value) {
    return value ? "true" : "false";
}

std::string jsonInt(long long value) {
    return std::to_string(value);
}

std::string jsonReal(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

std::string jsonHresult(HRESULT value) {
    char text[16];
    std::snprintf(text, sizeof text, "\"0x%08lx\"", static_cast<unsigned long>(value));
    return text;
}

void recordCall(const char* call, std::initializer_list<std::string> args) {
    if (unrecorded == 0)
        append("call", call, args);
}

UnrecordedCalls::UnrecordedCalls() {
    ++unrecorded;
}

UnrecordedCalls::~UnrecordedCalls() {
    --unrecorded;
}

void recordNote(const char* note, std::initializer_list<std::string> args) {
    append("note", note, args);
}

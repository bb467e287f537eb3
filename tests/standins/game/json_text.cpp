#include "json_text.h"

#include <cstdio>

namespace {

std::string quoted(const std::string& value) {
    std::string out = "\"";
    for (unsigned char c : value) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

} // namespace

JsonText& JsonText::key(const char* name) {
    if (text.size() > 1)
        text += ',';
    text += quoted(name);
    text += ':';
    return *this;
}

JsonText& JsonText::add(const char* name, long long value) {
    key(name).text += std::to_string(value);
    return *this;
}

JsonText& JsonText::add(const char* name, std::uint64_t value) {
    key(name).text += std::to_string(value);
    return *this;
}

JsonText& JsonText::add(const char* name, bool value) {
    key(name).text += value ? "true" : "false";
    return *this;
}

JsonText& JsonText::add(const char* name, const char* value) {
    key(name).text += quoted(value);
    return *this;
}

JsonText& JsonText::add(const char* name, const std::string& value) {
    key(name).text += quoted(value);
    return *this;
}

JsonText& JsonText::add(const char* name, const std::wstring& value) {
    return add(name, toUtf8(value));
}

JsonText& JsonText::add(const char* name, HWND window) {
    return add(name, static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(window)));
}

// [left, top, width, height]: what the tests compare against.
JsonText& JsonText::add(const char* name, const RECT& rect) {
    return addRaw(name,
                  jsonArray({rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top}));
}

JsonText& JsonText::addRaw(const char* name, const std::string& json) {
    key(name).text += json;
    return *this;
}

std::string toUtf8(const std::wstring& text) {
    if (text.empty())
        return {};
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                   0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
    return out;
}

std::wstring fromUtf8(const std::string& text) {
    if (text.empty())
        return {};
    int size =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
    return out;
}

std::string jsonArray(std::initializer_list<long long> values) {
    std::string out = "[";
    for (long long value : values) {
        if (out.size() > 1)
            out += ',';
        out += std::to_string(value);
    }
    out += ']';
    return out;
}

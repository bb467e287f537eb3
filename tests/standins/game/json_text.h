#pragma once
#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <string>

// Builds one flat JSON object by appending fields; values are escaped as they go in.
struct JsonText {
    std::string text = "{";

    JsonText& add(const char* key, long long value);
    JsonText& add(const char* key, std::uint64_t value);
    JsonText& add(const char* key, bool value);
    JsonText& add(const char* key, const char* value);
    JsonText& add(const char* key, const std::string& value);
    JsonText& add(const char* key, const std::wstring& value);
    JsonText& add(const char* key, HWND window);
    JsonText& add(const char* key, const RECT& rect);
    // A value that already is JSON (an array or object).
    JsonText& addRaw(const char* key, const std::string& json);
    std::string done() const { return text + "}"; }

  private:
    JsonText& key(const char* name);
};

std::string toUtf8(const std::wstring& text);
std::wstring fromUtf8(const std::string& text);

// "[1,2,3]"
std::string jsonArray(std::initializer_list<long long> values);

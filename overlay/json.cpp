#include "json.h"

#include <cwchar>
#include <cwctype>

namespace {

bool isSpace(wchar_t unit) {
    return std::iswspace(static_cast<std::wint_t>(unit)) != 0;
}

// Four units after "\u", read as wcstol reads them with base 16: it stops at the first unit
// that is not a hex digit, so "00zz" gives 0. The low 16 bits become one UTF-16 unit.
wchar_t unicodeEscape(const wchar_t* digits) {
    wchar_t buffer[5] = {digits[0], digits[1], digits[2], digits[3], L'\0'};
    long value = std::wcstol(buffer, nullptr, 16);
    return static_cast<wchar_t>(static_cast<unsigned long>(value) & 0xFFFFu);
}

std::wstring readString(const std::wstring& message, size_t pos) {
    std::wstring value;
    const size_t end = message.size();
    while (pos < end) {
        wchar_t unit = message[pos];
        if (unit == L'"')
            break;
        if (unit != L'\\') {
            value += unit;
            ++pos;
            continue;
        }
        if (pos + 1 == end) { // a backslash that ends the message stays one
            value += L'\\';
            break;
        }
        wchar_t escaped = message[pos + 1];
        pos += 2;
        switch (escaped) {
        case L'n':
            value += L'\n';
            break;
        case L'r':
            value += L'\r';
            break;
        case L't':
            value += L'\t';
            break;
        case L'b':
            value += L'\b';
            break;
        case L'f':
            value += L'\f';
            break;
        case L'u':
            if (end - pos >= 4) {
                value += unicodeEscape(message.data() + pos);
                pos += 4;
            } else {
                value += L'u';
            }
            break;
        default:
            value += escaped;
            break;
        }
    }
    return value;
}

std::wstring readRaw(const std::wstring& message, size_t start) {
    size_t pos = start;
    int depth = 0;
    for (; pos < message.size(); ++pos) {
        wchar_t unit = message[pos];
        if (unit == L'[' || unit == L'{') {
            ++depth;
        } else if (unit == L']' || unit == L'}') {
            if (depth == 0)
                break;
            if (--depth == 0) {
                ++pos;
                break;
            }
        } else if (unit == L',' && depth == 0) {
            break;
        }
    }
    // `{"on": true }` must read as exactly "true".
    while (pos > start && isSpace(message[pos - 1]))
        --pos;
    return message.substr(start, pos - start);
}

} // namespace

std::wstring jsonEscape(const std::wstring& text) {
    static const wchar_t hex[] = L"0123456789abcdef";
    std::wstring out;
    out.reserve(text.size() + 8);
    for (wchar_t unit : text) {
        switch (unit) {
        case L'"':
            out += L"\\\"";
            break;
        case L'\\':
            out += L"\\\\";
            break;
        case L'\n':
            out += L"\\n";
            break;
        case L'\r':
            out += L"\\r";
            break;
        case L'\t':
            out += L"\\t";
            break;
        default:
            if (static_cast<unsigned long>(unit) < 0x20) {
                out += L"\\u00";
                out += hex[unit >> 4];
                out += hex[unit & 0xF];
            } else {
                out += unit;
            }
            break;
        }
    }
    return out;
}

std::wstring jsonField(const std::wstring& message, const std::wstring& key) {
    const std::wstring needle = L"\"" + key + L"\"";
    size_t pos = message.find(needle);
    if (pos == std::wstring::npos)
        return {};
    pos = message.find(L':', pos + needle.size());
    if (pos == std::wstring::npos)
        return {};
    ++pos;
    while (pos < message.size() && isSpace(message[pos]))
        ++pos;
    if (pos == message.size())
        return {};
    if (message[pos] == L'"')
        return readString(message, pos + 1);
    return readRaw(message, pos);
}

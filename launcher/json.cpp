#include "json.h"

#include "utf8.h"

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Four characters starting at at, read as hexadecimal up to the first non-digit.
unsigned hexValue(const std::string& text, size_t at) {
    unsigned value = 0;
    for (size_t i = at; i < at + 4; ++i) {
        int digit = hexDigit(text[i]);
        if (digit < 0)
            break;
        value = value * 16 + static_cast<unsigned>(digit);
    }
    return value;
}

// Lone surrogates go out as their own 3-byte sequence.
void appendCodePoint(std::string& out, unsigned c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c <= 0xFFFF) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool hasEscapeU(const std::string& text, size_t at) {
    return at + 1 < text.size() && text[at] == '\\' && text[at + 1] == 'u' &&
           text.size() - (at + 2) >= 4;
}

// The string starting after its opening quote at position at.
std::string readString(const std::string& text, size_t at) {
    std::string out;
    size_t p = at;
    const size_t n = text.size();
    while (p < n && text[p] != '"') {
        if (text[p] != '\\') {
            out += text[p++];
            continue;
        }
        if (p + 1 >= n) {
            out += '\\';
            break;
        }
        char escaped = text[p + 1];
        p += 2;
        switch (escaped) {
        case 'b':
            out += '\x08';
            break;
        case 'f':
            out += '\x0C';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        case 'u': {
            if (n - p < 4)
                return out;
            unsigned c = hexValue(text, p);
            p += 4;
            if (c >= 0xD800 && c <= 0xDBFF && hasEscapeU(text, p)) {
                unsigned low = hexValue(text, p + 2);
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    c = 0x10000 + (c - 0xD800) * 1024 + (low - 0xDC00);
                    p += 6;
                }
            }
            appendCodePoint(out, c);
            break;
        }
        default:
            out += escaped;
        }
    }
    return out;
}

} // namespace

std::string jsonGetValue(const std::string& text, const std::string& key) {
    const std::string pattern = "\"" + key + "\"";
    const size_t n = text.size();
    size_t from = 0;
    size_t p = 0;
    for (;;) {
        size_t hit = text.find(pattern, from);
        if (hit == std::string::npos)
            return {};
        p = hit + pattern.size();
        while (p < n && text[p] == ' ')
            ++p;
        if (p < n && text[p] == ':') {
            ++p;
            break;
        }
        from = p;
    }
    while (p < n && text[p] == ' ')
        ++p;
    if (text.compare(p, 4, "true") == 0)
        return "true";
    if (text.compare(p, 5, "false") == 0)
        return "false";
    if (p < n && text[p] == '"')
        return readString(text, p + 1);
    return {};
}

void appendJsonQuoted(std::string& out, std::string_view utf8) {
    static const char kHex[] = "0123456789abcdef";
    out.reserve(out.size() + utf8.size() + utf8.size() / 8 + 2); // some escapes, no regrowth
    out += '"';
    size_t plain = 0; // start of the bytes not yet written, which need no escape
    for (size_t i = 0; i < utf8.size(); ++i) {
        unsigned char byte = static_cast<unsigned char>(utf8[i]);
        if (byte >= 0x20 && byte != '"' && byte != '\\')
            continue;
        out.append(utf8, plain, i - plain);
        plain = i + 1;
        switch (byte) {
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        default:
            out += "\\u00";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        }
    }
    out.append(utf8, plain, utf8.size() - plain);
    out += '"';
}

std::string jsonQuote(const std::string& utf8) {
    std::string out;
    appendJsonQuoted(out, utf8);
    return out;
}

std::string jsonQuoteWide(const std::wstring& utf16) {
    return jsonQuote(toUtf8(utf16));
}

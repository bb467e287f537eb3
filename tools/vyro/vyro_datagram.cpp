#include "vyro_datagram.h"

#include <cstdio>

namespace {

const char* commandWord(VyroCommand command) {
    switch (command) {
    case VyroCommand::show:
        return "show";
    case VyroCommand::hide:
        return "hide";
    case VyroCommand::toggle:
        return "toggle";
    case VyroCommand::note:
        return "note";
    case VyroCommand::page:
        return "page";
    case VyroCommand::state:
    case VyroCommand::listen:
        return "state";
    case VyroCommand::window:
        return "window";
    case VyroCommand::reload:
        return "reload";
    case VyroCommand::bye:
        return "bye";
    default:
        return "";
    }
}

// A small recursive-descent checker; depth is bounded so that no text can exhaust the stack.
struct JsonChecker {
    const std::string& text;
    size_t at = 0;
    int depth = 0;

    static constexpr int kMaxDepth = 200;

    void blanks() {
        while (at < text.size() &&
               (text[at] == ' ' || text[at] == '\t' || text[at] == '\n' || text[at] == '\r'))
            ++at;
    }

    bool literal(const char* word) {
        std::string w(word);
        if (text.compare(at, w.size(), w) != 0)
            return false;
        at += w.size();
        return true;
    }

    bool digits() {
        size_t start = at;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9')
            ++at;
        return at > start;
    }

    bool number() {
        if (at < text.size() && text[at] == '-')
            ++at;
        if (at < text.size() && text[at] == '0')
            ++at;
        else if (!digits())
            return false;
        if (at < text.size() && text[at] == '.') {
            ++at;
            if (!digits())
                return false;
        }
        if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
            ++at;
            if (at < text.size() && (text[at] == '+' || text[at] == '-'))
                ++at;
            if (!digits())
                return false;
        }
        return true;
    }

    static bool isHex(char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    }

    bool string() {
        ++at; // the opening quote
        while (at < text.size()) {
            unsigned char c = static_cast<unsigned char>(text[at]);
            if (c == '"') {
                ++at;
                return true;
            }
            if (c < 0x20)
                return false;
            if (c == '\\') {
                if (++at >= text.size())
                    return false;
                char e = text[at];
                if (e == 'u') {
                    for (int i = 1; i <= 4; ++i) {
                        if (at + i >= text.size() || !isHex(text[at + i]))
                            return false;
                    }
                    at += 4;
                } else if (std::string("\"\\/bfnrt").find(e) == std::string::npos) {
                    return false;
                }
            }
            ++at;
        }
        return false;
    }

    bool container(char close, bool members) {
        ++at; // the opening bracket
        blanks();
        if (at < text.size() && text[at] == close) {
            ++at;
            return true;
        }
        while (true) {
            blanks();
            if (members) {
                if (at >= text.size() || text[at] != '"' || !string())
                    return false;
                blanks();
                if (at >= text.size() || text[at] != ':')
                    return false;
                ++at;
            }
            if (!value())
                return false;
            blanks();
            if (at >= text.size())
                return false;
            if (text[at] == close) {
                ++at;
                return true;
            }
            if (text[at] != ',')
                return false;
            ++at;
        }
    }

    bool value() {
        blanks();
        if (at >= text.size())
            return false;
        char c = text[at];
        if (c == '{' || c == '[') {
            if (++depth > kMaxDepth)
                return false;
            bool ok = container(c == '{' ? '}' : ']', c == '{');
            --depth;
            return ok;
        }
        if (c == '"')
            return string();
        if (c == 't')
            return literal("true");
        if (c == 'f')
            return literal("false");
        if (c == 'n')
            return literal("null");
        return number();
    }

    bool whole() {
        if (!value())
            return false;
        blanks();
        return at == text.size();
    }
};

} // namespace

std::string requestDatagram(const VyroRequest& request) {
    std::string datagram = std::string("VYRO ") + commandWord(request.command);
    if (request.hasArgument && request.command != VyroCommand::listen)
        datagram += " " + request.argument;
    return datagram;
}

bool overlayText(const std::string& datagram, std::string& text) {
    if (datagram.compare(0, 5, "VYRO ") != 0)
        return false;
    text = datagram.substr(5);
    return true;
}

std::string printableLine(const std::string& text) {
    std::string line;
    for (char ch : text) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c == '\\') {
            line += "\\\\";
        } else if (c == '\n') {
            line += "\\n";
        } else if (c == '\r') {
            line += "\\r";
        } else if (c == '\t') {
            line += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            line += hex;
        } else {
            line += ch;
        }
    }
    return line;
}

bool isJsonValue(const std::string& text) {
    JsonChecker checker{text};
    return checker.whole();
}

bool isJsonObject(const std::string& text) {
    size_t first = text.find_first_not_of(" \t\r\n");
    return first != std::string::npos && text[first] == '{' && isJsonValue(text);
}

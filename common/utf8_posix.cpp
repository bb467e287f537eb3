#include "utf8.h"

#include <cstdint>

// The Linux half of the codec. It replaces ill-formed input the way the Windows UTF-8 code
// page does without flags, so both builds turn the same bytes into the same text:
// - a lone surrogate in UTF-16 becomes U+FFFD;
// - a byte that cannot start a sequence (80..C1, F5..FF) is one U+FFFD;
// - a sequence broken off by a byte that cannot continue it, or by the end of the input,
//   is one U+FFFD for the bytes read so far, and the breaking byte is read afresh;
// - an overlong, surrogate or beyond-U+10FFFF form is caught at its second byte: the lead
//   and that byte together become one U+FFFD, and each byte after them is read afresh.

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void appendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

void appendUtf16(std::wstring& out, char32_t code) {
    if (code < 0x10000) {
        out += static_cast<wchar_t>(code);
    } else {
        code -= 0x10000;
        out += static_cast<wchar_t>(0xD800 + (code >> 10));
        out += static_cast<wchar_t>(0xDC00 + (code & 0x3FF));
    }
}

bool isHighSurrogate(std::uint32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool isLowSurrogate(std::uint32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Bytes that follow the lead byte of a well-formed sequence, or -1 for a byte that cannot
// start one.
int continuationCount(unsigned char lead) {
    if (lead < 0x80)
        return 0;
    if (lead < 0xC2)
        return -1;
    if (lead < 0xE0)
        return 1;
    if (lead < 0xF0)
        return 2;
    if (lead < 0xF5)
        return 3;
    return -1;
}

// Whether the first two bytes of a sequence can begin a well-formed one: this catches the
// overlong forms (E0 80..9F, F0 80..8F), the surrogates (ED A0..BF) and the code points
// beyond U+10FFFF (F4 90..BF).
bool secondByteFits(unsigned char lead, unsigned char second) {
    switch (lead) {
    case 0xE0:
        return second >= 0xA0;
    case 0xED:
        return second < 0xA0;
    case 0xF0:
        return second >= 0x90;
    case 0xF4:
        return second < 0x90;
    default:
        return true;
    }
}

bool isContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

} // namespace

std::string toUtf8(const std::wstring& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        // Each wchar_t holds one UTF-16 unit; anything wider cannot come from UTF-16.
        std::uint32_t unit = static_cast<std::uint32_t>(text[i]);
        if (unit > 0xFFFF || isLowSurrogate(unit)) {
            appendUtf8(out, kReplacement);
        } else if (isHighSurrogate(unit)) {
            std::uint32_t next = i + 1 < text.size() ? static_cast<std::uint32_t>(text[i + 1]) : 0;
            if (isLowSurrogate(next)) {
                appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
                ++i;
            } else {
                appendUtf8(out, kReplacement);
            }
        } else {
            appendUtf8(out, unit);
        }
    }
    return out;
}

std::wstring fromUtf8(const std::string& text) {
    std::wstring out;
    out.reserve(text.size());
    const size_t size = text.size();
    size_t i = 0;
    while (i < size) {
        unsigned char lead = static_cast<unsigned char>(text[i++]);
        int more = continuationCount(lead);
        if (more == 0) {
            out += static_cast<wchar_t>(lead);
            continue;
        }
        if (more < 0) {
            appendUtf16(out, kReplacement);
            continue;
        }
        char32_t code = lead & (0x3F >> more);
        bool complete = true;
        for (int k = 0; k < more; ++k) {
            unsigned char byte = i < size ? static_cast<unsigned char>(text[i]) : 0;
            if (i == size || !isContinuation(byte)) {
                complete = false; // the breaking byte is read afresh
                break;
            }
            ++i;
            code = (code << 6) | (byte & 0x3F);
            if (k == 0 && !secondByteFits(lead, byte)) {
                complete = false;
                break;
            }
        }
        appendUtf16(out, complete ? code : kReplacement);
    }
    return out;
}

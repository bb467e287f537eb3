#pragma once
// Well-formedness of UTF-16 and UTF-8 texts, written out from the Unicode definitions on
// their own so the codecs are checked against something other than themselves.
#include <cstddef>
#include <string>

namespace utf_checks {

inline bool isHigh(unsigned unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
inline bool isLow(unsigned unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

inline bool wellFormedUtf16(const std::wstring& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned unit = static_cast<unsigned>(text[i]);
        if (unit > 0xFFFF || isLow(unit))
            return false;
        if (isHigh(unit)) {
            if (i + 1 == text.size() || !isLow(static_cast<unsigned>(text[i + 1])))
                return false;
            ++i;
        }
    }
    return true;
}

// Well-formed UTF-8 as Unicode defines it: shortest forms only, no surrogates, at most
// U+10FFFF.
inline bool wellFormedUtf8(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size()) {
        unsigned char lead = static_cast<unsigned char>(text[i]);
        int more = lead < 0x80   ? 0
                   : lead < 0xC2 ? -1
                   : lead < 0xE0 ? 1
                   : lead < 0xF0 ? 2
                   : lead < 0xF5 ? 3
                                 : -1;
        if (more < 0 || text.size() - i - 1 < static_cast<std::size_t>(more))
            return false;
        char32_t code = lead & (0x7F >> (more ? more + 1 : 0));
        for (int k = 1; k <= more; ++k) {
            unsigned char byte = static_cast<unsigned char>(text[i + k]);
            if ((byte & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (byte & 0x3F);
        }
        const char32_t least[] = {0, 0x80, 0x800, 0x10000};
        if (code < least[more] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += 1 + more;
    }
    return true;
}

} // namespace utf_checks

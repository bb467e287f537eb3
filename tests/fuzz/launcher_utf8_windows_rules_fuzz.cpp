// The launcher's Linux codec against the system's replacement rules for ill-formed UTF-8,
// written out here on their own.
#include "fuzz_input.h"
#include "utf8.h"

namespace {

void appendUtf16(std::wstring& out, char32_t code) {
    if (code < 0x10000) {
        out += static_cast<wchar_t>(code);
    } else {
        out += static_cast<wchar_t>(0xD800 + ((code - 0x10000) >> 10));
        out += static_cast<wchar_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
    }
}

// One U+FFFD for a byte that cannot lead and for a sequence broken off (the breaking byte is
// read again); a second byte that makes the form overlong, a surrogate or too large is taken
// together with the lead into one U+FFFD.
std::wstring systemRules(const std::string& bytes) {
    std::wstring out;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const unsigned char lead = static_cast<unsigned char>(bytes[i++]);
        const int more = lead < 0x80   ? 0
                         : lead < 0xC2 ? -1
                         : lead < 0xE0 ? 1
                         : lead < 0xF0 ? 2
                         : lead < 0xF5 ? 3
                                       : -1;
        if (more <= 0) {
            appendUtf16(out, more == 0 ? lead : 0xFFFD);
            continue;
        }
        char32_t code = lead & (0x3F >> more);
        bool complete = true;
        for (int k = 0; k < more && complete; ++k) {
            if (i == bytes.size() || (static_cast<unsigned char>(bytes[i]) & 0xC0) != 0x80) {
                complete = false;
                break;
            }
            const unsigned char byte = static_cast<unsigned char>(bytes[i++]);
            code = (code << 6) | (byte & 0x3F);
            if (k == 0 && ((lead == 0xE0 && byte < 0xA0) || (lead == 0xED && byte >= 0xA0) ||
                           (lead == 0xF0 && byte < 0x90) || (lead == 0xF4 && byte >= 0x90)))
                complete = false;
        }
        appendUtf16(out, complete ? code : 0xFFFD);
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes = byteText(data, size);
    FUZZ_CHECK(fromUtf8(bytes) == systemRules(bytes));
    return 0;
}

// The UTF-8 codec both programs share (the Linux half): any bytes decode without a crash into
// well-formed UTF-16, which encodes to well-formed UTF-8 that decodes back to it; valid UTF-8
// and well-formed UTF-16 come through a round trip unchanged.
#include "fuzz_input.h"
#include "utf8.h"
#include "utf_checks.h"

using utf_checks::wellFormedUtf16;
using utf_checks::wellFormedUtf8;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The bytes as UTF-8.
    const std::string bytes = byteText(data, size);
    const std::wstring decoded = fromUtf8(bytes);
    FUZZ_CHECK(wellFormedUtf16(decoded));
    FUZZ_CHECK(decoded.size() <= bytes.size());
    const std::string encoded = toUtf8(decoded);
    FUZZ_CHECK(wellFormedUtf8(encoded));
    FUZZ_CHECK(fromUtf8(encoded) == decoded);
    if (wellFormedUtf8(bytes))
        FUZZ_CHECK(encoded == bytes);

    // The bytes as UTF-16 units.
    const std::wstring units = utf16Units(data, size);
    const std::string utf8 = toUtf8(units);
    FUZZ_CHECK(wellFormedUtf8(utf8));
    const std::wstring back = fromUtf8(utf8);
    FUZZ_CHECK(wellFormedUtf16(back));
    if (wellFormedUtf16(units))
        FUZZ_CHECK(back == units);
    else
        FUZZ_CHECK(back.size() <= units.size()); // each stray surrogate became one U+FFFD
    return 0;
}

// The overlay's JSON helpers on any page message: no crash, field values no longer than the
// message, escaped text safe between quotes, and every text escaped into a message read back
// unchanged by the field lookup.
#include <fuzzer/FuzzedDataProvider.h>

#include "fuzz_input.h"
#include "json.h"

namespace {

// Keys the host looks up in page messages.
const wchar_t* const kKeys[] = {L"type", L"on",  L"mode", L"rects", L"file",
                                L"text", L"cmd", L"arg",  L"pad"};

bool isSafelyEscaped(const std::wstring& escaped) {
    for (size_t i = 0; i < escaped.size(); ++i) {
        wchar_t unit = escaped[i];
        if (unit >= 0 && unit < 0x20)
            return false; // control units only as escapes
        if (unit == L'"')
            return false; // a bare quote would end the string early
        if (unit == L'\\') {
            if (i + 1 == escaped.size())
                return false;
            wchar_t next = escaped[++i];
            if (next != L'"' && next != L'\\' && next != L'n' && next != L'r' && next != L't' &&
                next != L'u')
                return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const bool ownKey = input.ConsumeBool();
    const std::size_t keyBytes = input.ConsumeIntegralInRange<std::size_t>(0, 16);
    const std::vector<std::uint8_t> keyData = input.ConsumeBytes<std::uint8_t>(keyBytes);
    const std::vector<std::uint8_t> rest = input.ConsumeRemainingBytes<std::uint8_t>();
    const std::wstring key = utf16Units(keyData.data(), keyData.size());
    const std::wstring message = utf16Units(rest.data(), rest.size());

    // Any message, any key.
    if (ownKey)
        FUZZ_CHECK(jsonField(message, key).size() <= message.size());
    for (const wchar_t* known : kKeys)
        FUZZ_CHECK(jsonField(message, known).size() <= message.size());

    // The message taken as a text the host sends: escaped, then read back.
    const std::wstring escaped = jsonEscape(message);
    FUZZ_CHECK(isSafelyEscaped(escaped));
    FUZZ_CHECK(jsonField(L"{\"text\":\"" + escaped + L"\"}", L"text") == message);
    const std::wstring logMessage = L"{\"type\":\"log\",\"text\":\"" + escaped + L"\"}";
    FUZZ_CHECK(jsonField(logMessage, L"text") == message);
    FUZZ_CHECK(jsonField(logMessage, L"type") == L"log");
    // Unterminated: the string runs to the end of the message, unescaped all the same.
    FUZZ_CHECK(jsonField(L"{\"text\": \"" + escaped, L"text") == message);
    return 0;
}

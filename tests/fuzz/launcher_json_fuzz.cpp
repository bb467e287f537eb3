// The launcher's JSON reader and writer: any text and key read without a crash; a value
// quoted into an object comes back from the lookup unchanged, from the UTF-8 writer and from
// the UTF-16 one alike.
#include <fuzzer/FuzzedDataProvider.h>

#include "fuzz_input.h"
#include "json.h"
#include "utf8.h"

namespace {

// Keys the launcher looks up in page messages and in launcher.json.
const char* const kKeys[] = {"cmd",    "action",      "game",        "keepSha",         "path",
                             "server", "rookmereDir", "rookmereZip", "rookmereDownload"};

bool isSafelyQuoted(const std::string& quoted) {
    if (quoted.size() < 2 || quoted.front() != '"' || quoted.back() != '"')
        return false;
    for (std::size_t i = 1; i + 1 < quoted.size(); ++i) {
        unsigned char byte = static_cast<unsigned char>(quoted[i]);
        if (byte < 0x20 || byte == '"')
            return false;
        if (byte == '\\') {
            char next = quoted[++i];
            if (i + 1 == quoted.size() || (next != '"' && next != '\\' && next != 'n' &&
                                           next != 'r' && next != 't' && next != 'u'))
                return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string key = input.ConsumeRandomLengthString(16);
    const std::string text = input.ConsumeRemainingBytesAsString();

    // Any text, any key: the value is never longer than the text.
    FUZZ_CHECK(jsonGetValue(text, key).size() <= text.size());
    for (const char* known : kKeys)
        FUZZ_CHECK(jsonGetValue(text, known).size() <= text.size());

    // The text as a value the launcher writes, then reads back.
    const std::string quoted = jsonQuote(text);
    FUZZ_CHECK(isSafelyQuoted(quoted));
    FUZZ_CHECK(jsonGetValue("{\"raw\":" + quoted + "}", "raw") == text);
    FUZZ_CHECK(jsonGetValue("{\"type\":\"status\", \"raw\" : " + quoted + ",\"x\":1}", "raw") ==
               text);
    FUZZ_CHECK(jsonGetValue("{\"type\":" + quoted + ",\"raw\":" + quoted + "}", "raw") == text);

    // The same bytes as UTF-16 units through the wide writer: UTF-8 comes back.
    const std::wstring wide = utf16Units(data, size);
    const std::string fromWide = jsonGetValue("{\"path\":" + jsonQuoteWide(wide) + "}", "path");
    FUZZ_CHECK(fromWide == toUtf8(wide));
    return 0;
}

// The status query's output, any bytes the script may print: the raw status is the output
// from its first left brace, and the reply carries it to the page unchanged.
#include <fuzzer/FuzzedDataProvider.h>

#include "fuzz_input.h"
#include "json.h"
#include "status_output.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const bool started = input.ConsumeBool();
    const std::string output = input.ConsumeRemainingBytesAsString();

    const std::string raw = rawStatus(output);
    const std::size_t brace = output.find('{');
    if (brace == std::string::npos) {
        FUZZ_CHECK(raw.empty());
    } else {
        FUZZ_CHECK(raw.size() == output.size() - brace);
        FUZZ_CHECK(output.compare(brace, std::string::npos, raw) == 0);
    }

    const std::string reply = statusReply(raw, started);
    FUZZ_CHECK(jsonGetValue(reply, "type") == "status");
    FUZZ_CHECK(jsonGetValue(reply, "raw") == raw);
    FUZZ_CHECK(jsonGetValue(reply, "why").empty() == started);
    FUZZ_CHECK(!statusLogLine(output.size(), static_cast<unsigned long>(size)).empty());
    return 0;
}

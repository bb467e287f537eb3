// The launcher's replies that carry outside text to the page: progress log lines, an
// action's result file, the server's documents. Whatever the bytes, the page reads back
// exactly what was sent, and the reply's own members stay what they are.
#include <fuzzer/FuzzedDataProvider.h>

#include "action_replies.h"
#include "fuzz_input.h"
#include "json.h"
#include "server_replies.h"
#include "utf8.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::uint32_t exitCode = input.ConsumeIntegral<std::uint32_t>();
    const unsigned long statusCode =
        input.ConsumeBool() ? 200 : input.ConsumeIntegral<std::uint16_t>();
    const unsigned long manifestCode = input.ConsumeBool() ? 200 : 404;
    const std::string first = input.ConsumeRandomLengthString(2048);
    const std::string second = input.ConsumeRemainingBytesAsString();

    const std::string logReply = actionLogReply(first);
    FUZZ_CHECK(jsonGetValue(logReply, "type") == "log");
    FUZZ_CHECK(jsonGetValue(logReply, "line") == first);

    const std::wstring action = fromUtf8(second.substr(0, 16));
    const std::string done = actionDoneReply(action, exitCode, first);
    FUZZ_CHECK(jsonGetValue(done, "type") == "done");
    FUZZ_CHECK(jsonGetValue(done, "action") == toUtf8(action));
    FUZZ_CHECK(jsonGetValue(done, "raw") == first);

    const std::string refused = actionNotStartedReply(action, exitCode);
    FUZZ_CHECK(jsonGetValue(refused, "ok") == "false");
    FUZZ_CHECK(jsonGetValue(refused, "why") == notStartedReason(exitCode));

    FetchedDocument status{statusCode, first};
    FetchedDocument manifest{manifestCode, second};
    const std::string server = serverReply(exitCode, status, manifest);
    FUZZ_CHECK(jsonGetValue(server, "type") == "server");
    FUZZ_CHECK(jsonGetValue(server, "ok") ==
               (statusCode == 200 || manifestCode == 200 ? "true" : "false"));
    FUZZ_CHECK(jsonGetValue(server, "status") == (statusCode == 200 ? first : ""));
    FUZZ_CHECK(jsonGetValue(server, "manifest") == (manifestCode == 200 ? second : ""));
    return 0;
}

// Following the script's log over any run of writes, restarts and polls, with reads that
// come back in pieces: the lines handed on are exactly the complete lines of the log read so
// far, without their line ends, whatever the pieces.
#include <fuzzer/FuzzedDataProvider.h>

#include "fuzz_input.h"
#include "log_tail.h"

namespace {

// The complete lines of a text, each without its line feed and one carriage return before it.
std::vector<std::string> completeLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end = text.find('\n'); end != std::string::npos;
         end = text.find('\n', start)) {
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    LogTail tail;
    tail.started = input.ConsumeIntegralInRange<std::uint64_t>(1, 1000);
    std::string log;                 // the file as it stands
    std::uint64_t lastWrite = 0;     // its last-write time; 0: written before the action
    std::vector<std::string> handed; // lines handed on since the tail last started over

    while (input.remaining_bytes() > 0) {
        switch (input.ConsumeIntegralInRange<int>(0, 3)) {
        case 0: // the script writes
        case 1:
            log += input.ConsumeRandomLengthString(64);
            lastWrite = tail.started + input.ConsumeIntegralInRange<std::uint64_t>(0, 5);
            break;
        case 2: { // the log is started again, shorter than what was read
            if (tail.offset == 0)
                break;
            log = log.substr(0, input.ConsumeIntegralInRange<std::size_t>(0, tail.offset - 1));
            const std::uint64_t toRead = logBytesToRead(tail, lastWrite, log.size());
            if (!tail.fresh) {
                FUZZ_CHECK(toRead == 0);
                break;
            }
            FUZZ_CHECK(tail.offset == 0 && tail.pending.empty());
            FUZZ_CHECK(toRead == log.size());
            handed.clear();
            break;
        }
        default: { // a poll; the read comes back in pieces
            const bool wasFresh = tail.fresh;
            const std::uint64_t toRead = logBytesToRead(tail, lastWrite, log.size());
            if (!tail.fresh) {
                FUZZ_CHECK(toRead == 0 && lastWrite < tail.started);
                break;
            }
            if (!wasFresh)
                FUZZ_CHECK(lastWrite >= tail.started);
            FUZZ_CHECK(tail.offset + toRead == log.size());
            std::string rest = log.substr(tail.offset, toRead);
            while (!rest.empty()) {
                std::size_t piece = input.ConsumeIntegralInRange<std::size_t>(1, rest.size());
                for (std::string& line :
                     takeLogBytes(tail, std::string_view(rest).substr(0, piece))) {
                    FUZZ_CHECK(line.find('\n') == std::string::npos);
                    handed.push_back(std::move(line));
                }
                rest.erase(0, piece);
            }
            FUZZ_CHECK(tail.offset == log.size());
            FUZZ_CHECK(handed == completeLines(log));
            FUZZ_CHECK(tail.pending == log.substr(log.rfind('\n') + 1));
            break;
        }
        }
    }
    return 0;
}

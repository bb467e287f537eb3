// The rate counters over any run of events and timer steps, the tick count jumping and
// wrapping: a summary comes only for a window that counted something, and then every
// counter starts again from zero.
#include <fuzzer/FuzzedDataProvider.h>

#include "fuzz_input.h"
#include "rate_stats.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    RateStats stats;
    std::uint32_t now = input.ConsumeIntegral<std::uint32_t>();
    std::uint64_t counted = 0; // events since the last window closed

    while (input.remaining_bytes() > 0) {
        const std::uint8_t step = input.ConsumeIntegral<std::uint8_t>();
        if (step < 0xC0) {
            const std::size_t event = step % kRateCounterCount;
            const std::uint32_t times = 1 + step / kRateCounterCount;
            for (std::uint32_t i = 0; i < times; ++i)
                rateCount(stats.counters[event]);
            counted += times;
            continue;
        }
        now += (step & 1) ? input.ConsumeIntegral<std::uint32_t>()
                          : input.ConsumeIntegralInRange<std::uint32_t>(0, 2000);
        const std::uint32_t windowStart = stats.windowStart;
        const std::optional<std::string> line = rateTick(stats, now);
        for (const RateCounter& counter : stats.counters)
            FUZZ_CHECK(counter.busiest <= counter.total && counter.thisSecond <= counter.total);
        if (line) {
            FUZZ_CHECK(counted > 0);
            FUZZ_CHECK(line->compare(0, 6, "rates ") == 0 && line->size() < 640);
        }
        if (windowStart != 0 && stats.windowStart != windowStart) { // a window closed
            FUZZ_CHECK(line.has_value() == (counted > 0));
            for (const RateCounter& counter : stats.counters)
                FUZZ_CHECK(counter.total == 0 && counter.busiest == 0);
            counted = 0;
        }
    }
    return 0;
}

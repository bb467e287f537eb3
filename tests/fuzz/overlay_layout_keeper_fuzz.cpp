// The keyboard layout keeper over any run of ticks: away and back, layouts switching, time
// jumping and wrapping. Its state stays in range, it never asks more than four times in a
// minute, each result follows from the state before it, and its notes stay within bounds.
#include <fuzzer/FuzzedDataProvider.h>

#include <deque>

#include "fuzz_input.h"
#include "layout_decide.h"

namespace {

const LayoutHandle kLayouts[] = {0, 0x04090409, 0x04070407, 0xFFFFFFFFF0020409ull};

void checkNotes(LayoutResult result, const std::string& locale, const LayoutKeeper& keeper) {
    LayoutNoteFacts facts;
    facts.layout = layoutNameText(keeper.seenLayout, locale);
    facts.played = layoutNameText(keeper.playedLayout, locale);
    facts.previous = keeper.previousLayout ? layoutNameText(keeper.previousLayout, locale) : "";
    facts.refused = (keeper.seenSince & 1) != 0;
    facts.keepLayout = (keeper.seenSince & 2) != 0;
    facts.target = &keeper;
    FUZZ_CHECK(facts.layout.size() <= 159 && facts.played.size() <= 159);
    const std::string note = layoutNote(result, facts);
    FUZZ_CHECK(note.size() <= 1023);
    FUZZ_CHECK(note.empty() == (result == LayoutResult::none));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string locale = input.ConsumeRandomLengthString(200);
    LayoutKeeper keeper;
    std::uint64_t clock = input.ConsumeIntegral<std::uint32_t>(); // time without the wrap
    std::deque<std::uint64_t> firstAsks;

    while (input.remaining_bytes() > 0) {
        const std::uint8_t step = input.ConsumeIntegral<std::uint8_t>();
        const bool away = (step & 0x80) != 0;
        const LayoutHandle layout = kLayouts[step & 3];
        // Mostly tick-sized steps; now and then a long one.
        clock += (step & 0x40) ? input.ConsumeIntegral<std::uint32_t>()
                               : input.ConsumeIntegralInRange<std::uint32_t>(0, 1000);
        const auto now = static_cast<std::uint32_t>(clock);

        const LayoutKeeper before = keeper;
        const LayoutResult result = layoutDecide(keeper, now, away, layout);

        FUZZ_CHECK(keeper.askCount >= 0 && keeper.askCount <= kAskLimit);
        FUZZ_CHECK(keeper.askStage <= 2);
        if (away || layout == 0)
            FUZZ_CHECK(result == LayoutResult::none);
        switch (result) {
        case LayoutResult::adopted:
            FUZZ_CHECK(keeper.playedLayout == layout);
            FUZZ_CHECK(keeper.previousLayout == before.playedLayout);
            FUZZ_CHECK(before.playedLayout != layout);
            break;
        case LayoutResult::firstAsk:
            FUZZ_CHECK(before.askStage == 0 && keeper.askStage == 1);
            FUZZ_CHECK(layout != keeper.playedLayout && keeper.playedLayout != 0);
            while (!firstAsks.empty() && clock - firstAsks.front() >= kAskLimitWindowMs)
                firstAsks.pop_front();
            firstAsks.push_back(clock);
            FUZZ_CHECK(firstAsks.size() <= static_cast<std::size_t>(kAskLimit));
            break;
        case LayoutResult::secondAsk:
            FUZZ_CHECK(before.askStage == 1 && keeper.askStage == 2);
            break;
        case LayoutResult::restored:
            FUZZ_CHECK(before.askStage != 0 && keeper.askStage == 0);
            FUZZ_CHECK(layout == keeper.playedLayout);
            break;
        case LayoutResult::kept:
            FUZZ_CHECK(before.askStage == 2 && keeper.askStage == 0);
            break;
        case LayoutResult::limit:
            FUZZ_CHECK(keeper.askCount == kAskLimit && keeper.askStage == 0);
            break;
        case LayoutResult::none:
            break;
        }
        if (result != LayoutResult::adopted)
            FUZZ_CHECK(keeper.playedLayout == before.playedLayout);
        checkNotes(result, locale, keeper);
    }
    return 0;
}

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "layout_decide.h"

namespace {

constexpr LayoutHandle kUs = 0x04090409;
constexpr LayoutHandle kDe = 0x04070407;

struct Decision {
    std::uint32_t at; // ms since the start of the script
    LayoutResult result;
    bool operator==(const Decision&) const = default;
};

void PrintTo(const Decision& d, std::ostream* out) {
    *out << "{" << d.at << " ms, result " << static_cast<int>(d.result) << "}";
}

// Drives the keeper as the host window's 100 ms timer does, from a chosen first tick count,
// and collects every result other than none with its time in the script.
class Script {
  public:
    explicit Script(std::uint32_t base) : base_(base) {}

    // Ticks every 100 ms for `ms` ms from the script's clock on.
    std::vector<Decision> play(std::uint32_t ms, bool away, LayoutHandle layout) {
        std::vector<Decision> seen;
        for (std::uint32_t end = clock_ + ms; clock_ < end; clock_ += 100) {
            LayoutResult result = layoutDecide(keeper, base_ + clock_, away, layout);
            if (result != LayoutResult::none)
                seen.push_back({clock_, result});
        }
        return seen;
    }
    std::vector<Decision> inFront(std::uint32_t ms, LayoutHandle layout) {
        return play(ms, false, layout);
    }
    std::vector<Decision> away(std::uint32_t ms) { return play(ms, true, kDe); }
    std::uint32_t clock() const { return clock_; }

    LayoutKeeper keeper;

  private:
    std::uint32_t base_;
    std::uint32_t clock_ = 0;
};

using Decisions = std::vector<Decision>;

// Every script runs from an ordinary tick count and from one a few seconds before the 32-bit
// tick count wraps, so each elapsed time in it crosses the wrap somewhere.
class LayoutDecide : public testing::TestWithParam<std::uint32_t> {
  protected:
    Script script{GetParam()};

    // The played layout settled on kUs, 3 s after the first sample.
    void playOnUs() {
        ASSERT_EQ(script.inFront(3100, kUs), (Decisions{{3000, LayoutResult::adopted}}));
        ASSERT_EQ(script.keeper.playedLayout, kUs);
        ASSERT_EQ(script.keeper.previousLayout, 0u);
    }
};

TEST_P(LayoutDecide, LayoutChangedWhilePlayingIsAdoptedAfterThreeSecondsWithoutAnAsk) {
    playOnUs();
    std::uint32_t changed = script.clock();
    EXPECT_EQ(script.inFront(10000, kDe), (Decisions{{changed + 3000, LayoutResult::adopted}}));
    EXPECT_EQ(script.keeper.playedLayout, kDe);
    EXPECT_EQ(script.keeper.previousLayout, kUs);
}

TEST_P(LayoutDecide, ReturnWithThePlayedLayoutDoesNothing) {
    playOnUs();
    EXPECT_EQ(script.away(5000), Decisions{});
    EXPECT_EQ(script.inFront(10000, kUs), Decisions{});
    EXPECT_EQ(script.keeper.askCount, 0);
}

TEST_P(LayoutDecide, ReturnWithAnotherLayoutAsksTwiceThenKeepsAndAdoptsItLater) {
    playOnUs();
    script.away(5000);
    std::uint32_t back = script.clock();
    EXPECT_EQ(script.inFront(6000, kDe), (Decisions{{back, LayoutResult::firstAsk},
                                                    {back + 800, LayoutResult::secondAsk},
                                                    {back + 1600, LayoutResult::kept},
                                                    {back + 4600, LayoutResult::adopted}}));
    EXPECT_EQ(script.keeper.playedLayout, kDe);
    EXPECT_EQ(script.keeper.previousLayout, kUs);
    EXPECT_EQ(script.keeper.askStage, 0u);
    EXPECT_FALSE(script.keeper.justBack);
}

TEST_P(LayoutDecide, GameBackOnThePlayedLayoutEndsTheAskCycle) {
    playOnUs();
    script.away(2000);
    std::uint32_t back = script.clock();
    EXPECT_EQ(script.inFront(300, kDe), (Decisions{{back, LayoutResult::firstAsk}}));
    EXPECT_EQ(script.inFront(10000, kUs), (Decisions{{back + 300, LayoutResult::restored}}));

    script.away(2000);
    back = script.clock();
    EXPECT_EQ(script.inFront(1000, kDe),
              (Decisions{{back, LayoutResult::firstAsk}, {back + 800, LayoutResult::secondAsk}}));
    EXPECT_EQ(script.inFront(10000, kUs), (Decisions{{back + 1000, LayoutResult::restored}}));
    EXPECT_EQ(script.keeper.playedLayout, kUs);
}

TEST_P(LayoutDecide, FifthReturnWithinAMinuteHitsTheLimitAndAsksNothing) {
    playOnUs();
    for (int i = 0; i < 4; ++i) {
        script.away(1000);
        std::uint32_t back = script.clock();
        ASSERT_EQ(script.inFront(200, kDe), (Decisions{{back, LayoutResult::firstAsk}}));
        ASSERT_EQ(script.inFront(1000, kUs), (Decisions{{back + 200, LayoutResult::restored}}));
    }
    script.away(1000);
    std::uint32_t back = script.clock();
    // Left as it is: the wrong layout then counts as chosen and is adopted once it held 3 s.
    EXPECT_EQ(script.inFront(3100, kDe),
              (Decisions{{back, LayoutResult::limit}, {back + 3000, LayoutResult::adopted}}));
    EXPECT_EQ(script.keeper.askCount, 4);
}

TEST_P(LayoutDecide, FirstAsksAMinuteOldNoLongerCount) {
    playOnUs();
    std::uint32_t firstAsk = 0;
    for (int i = 0; i < 4; ++i) {
        script.away(1000);
        if (i == 0)
            firstAsk = script.clock();
        script.inFront(200, kDe);
        script.inFront(1000, kUs);
    }
    script.away(firstAsk + 60000 - script.clock()); // back exactly 60 s after the first ask
    std::uint32_t back = script.clock();
    EXPECT_EQ(script.inFront(200, kDe), (Decisions{{back, LayoutResult::firstAsk}}));
    EXPECT_EQ(script.keeper.askCount, 4); // three still counted and this one
}

TEST_P(LayoutDecide, OnlyFirstAsksCountAgainstTheLimit) {
    playOnUs();
    for (int i = 0; i < 3; ++i) {
        script.away(1000);
        script.inFront(1000, kDe); // first and second ask
        script.inFront(1000, kUs);
    }
    EXPECT_EQ(script.keeper.askCount, 3);
}

TEST_P(LayoutDecide, NothingIsAdoptedInsideTheReturnWindow) {
    // Before any layout is played: away at once, back on a layout seen long ago.
    script.inFront(100, kUs);
    script.away(5000);
    std::uint32_t back = script.clock();
    EXPECT_EQ(script.inFront(3000, kUs), (Decisions{{back + 1500, LayoutResult::adopted}}));
}

TEST_P(LayoutDecide, NoSampleChangesNothingButAwayIsStillNoted) {
    playOnUs();
    LayoutKeeper before = script.keeper;
    EXPECT_EQ(script.inFront(5000, 0), Decisions{});
    EXPECT_EQ(script.keeper.seenLayout, before.seenLayout);
    EXPECT_EQ(script.keeper.seenSince, before.seenSince);
    EXPECT_FALSE(script.keeper.returning);
    script.away(100);
    EXPECT_TRUE(script.keeper.returning);
    // The return is the first tick in front with a sample.
    script.inFront(5000, 0);
    EXPECT_TRUE(script.keeper.returning);
    std::uint32_t back = script.clock();
    EXPECT_EQ(script.inFront(100, kDe), (Decisions{{back, LayoutResult::firstAsk}}));
}

TEST_P(LayoutDecide, AwayDuringAnAskCycleContinuesIt) {
    playOnUs();
    script.away(1000);
    std::uint32_t back = script.clock();
    EXPECT_EQ(script.inFront(100, kDe), (Decisions{{back, LayoutResult::firstAsk}}));
    script.away(2000);
    back = script.clock();
    EXPECT_EQ(script.inFront(100, kDe), (Decisions{{back, LayoutResult::secondAsk}}));
}

INSTANTIATE_TEST_SUITE_P(TickCounts, LayoutDecide, testing::Values(1000u, 0xFFFFFFFFu - 4500u));

TEST(LayoutName, PrintsTheLocaleAndTheLowThirtyTwoBits) {
    EXPECT_EQ(layoutNameText(0, "en-US"), "none");
    EXPECT_EQ(layoutNameText(0x04090409, "en-US"), "en-US [04090409]");
    EXPECT_EQ(layoutNameText(0xFFFFFFFFF0020409ull, "en-US"), "en-US [f0020409]");
    EXPECT_EQ(layoutNameText(0x0000ABCD, ""), "? [0000abcd]");
    EXPECT_EQ(layoutNameText(0x04070407, "de-DE"), "de-DE [04070407]");
    EXPECT_EQ(layoutNameText(0x04090409, std::string(300, 'x')).size(), 159u);
}

TEST(LayoutNote, EachResultWritesItsNote) {
    char target[32];
    std::snprintf(target, sizeof target, "%p", reinterpret_cast<const void*>(0x1234));
    LayoutNoteFacts facts;
    facts.layout = "de-DE [04070407]";
    facts.played = "en-US [04090409]";
    facts.target = reinterpret_cast<const void*>(0x1234);
    struct Row {
        LayoutResult result;
        bool refused;
        bool keepLayout;
        std::string note;
    };
    const std::string notAsked = " (not asked: no_keep_layout.txt)";
    const std::string firstAsk =
        "back from another application with the keyboard layout de-DE [04070407] - the game's "
        "keys would land on other actions; the game asked for en-US [04090409] again (the one "
        "played with)";
    const std::string secondAsk = "the game is still on de-DE [04070407] - its focus window " +
                                  std::string(target) + " asked for en-US [04090409]";
    const Row rows[] = {
        {LayoutResult::none, false, true, ""},
        {LayoutResult::adopted, false, true, "keyboard layout in play: en-US [04090409]"},
        {LayoutResult::firstAsk, false, true, firstAsk},
        {LayoutResult::firstAsk, true, true, firstAsk + " - the ask was refused"},
        {LayoutResult::firstAsk, false, false, firstAsk + notAsked},
        {LayoutResult::secondAsk, false, true, secondAsk},
        {LayoutResult::secondAsk, true, true, secondAsk + " - refused"},
        {LayoutResult::secondAsk, false, false, secondAsk + notAsked},
        {LayoutResult::restored, false, true, "the game is on en-US [04090409] again"},
        {LayoutResult::kept, false, false,
         "the game kept de-DE [04070407] - left as it is (the played one once it holds 3 s)"},
        {LayoutResult::limit, false, true,
         "back with de-DE [04070407], played with en-US [04090409] - asked 4 times this minute "
         "already: left as it is"},
    };
    for (const Row& row : rows) {
        facts.refused = row.refused;
        facts.keepLayout = row.keepLayout;
        EXPECT_EQ(layoutNote(row.result, facts), row.note) << static_cast<int>(row.result);
    }
    facts.previous = "fr-FR [040c040c]";
    EXPECT_EQ(layoutNote(LayoutResult::adopted, facts),
              "keyboard layout in play: en-US [04090409] (was fr-FR [040c040c])");
}

TEST(LayoutNote, LongNamesAreCutTo1023Bytes) {
    LayoutNoteFacts facts;
    facts.layout = std::string(2000, 'a');
    facts.played = "en-US [04090409]";
    EXPECT_EQ(layoutNote(LayoutResult::kept, facts).size(), 1023u);
}

} // namespace

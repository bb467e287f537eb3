#include <gtest/gtest.h>

#include <cstdint>

#include "rate_stats.h"

namespace {

void count(RateStats& stats, RateEvent event, int times = 1) {
    for (int i = 0; i < times; ++i)
        rateCount(stats[event]);
}

// Ticks every 100 ms from `from` (exclusive) up to `to` (inclusive), as the host timer does;
// returns every line they produced.
std::vector<std::string> tickThrough(RateStats& stats, std::uint32_t from, std::uint32_t to) {
    std::vector<std::string> lines;
    for (std::uint32_t now = from + 100; static_cast<std::uint32_t>(to - now) < 0x80000000u;
         now += 100)
        if (auto line = rateTick(stats, now))
            lines.push_back(*line);
    return lines;
}

std::string quietLine(const std::string& seconds, const std::string& pageToHost) {
    return "rates " + seconds + " (avg/s, busiest 1 s): page->host " + pageToHost +
           " host->page 0.0/0 game->host 0.0/0 host->game 0.0/0 | SetWindowRgn 0.0/0, mode "
           "changes 0, mouse-owner switches 0 | fit_to_game 0.0/0 (rect changed 0, same 0) | "
           "SetFocus 0, MoveFocus 0 | WM_SETCURSOR 0.0/0";
}

TEST(RateStats, QuietWindowWritesNothingAndRestarts) {
    RateStats stats;
    EXPECT_FALSE(rateTick(stats, 5000));
    EXPECT_EQ(stats.windowStart, 5000u);
    EXPECT_TRUE(tickThrough(stats, 5000, 35000).empty());
    EXPECT_EQ(stats.windowStart, 35000u); // restarted on the first tick 30 s in
    EXPECT_EQ(stats.secondStart, 35000u);
    EXPECT_TRUE(tickThrough(stats, 35000, 95000).empty());
    EXPECT_EQ(stats.windowStart, 95000u);
}

TEST(RateStats, OneEventAveragesAboutZeroWithBusiestOne) {
    RateStats stats;
    rateTick(stats, 1000);
    rateTick(stats, 1100);
    count(stats, RateEvent::pageToHost);
    std::vector<std::string> lines = tickThrough(stats, 1100, 31000);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], quietLine("30s", "0.0/1"));
}

TEST(RateStats, LineReadsTheThirteenCountersInTableOrder) {
    RateStats stats;
    rateTick(stats, 1000);
    for (std::size_t i = 0; i < kRateCounterCount; ++i)
        count(stats, static_cast<RateEvent>(i), 30 * static_cast<int>(i + 1));
    std::optional<std::string> line = rateTick(stats, 31000);
    ASSERT_TRUE(line);
    EXPECT_EQ(*line, "rates 30s (avg/s, busiest 1 s): page->host 1.0/30 host->page 2.0/60 "
                     "game->host 3.0/90 host->game 4.0/120 | SetWindowRgn 5.0/150, mode changes "
                     "180, mouse-owner switches 210 | fit_to_game 8.0/240 (rect changed 270, "
                     "same 300) | SetFocus 330, MoveFocus 360 | WM_SETCURSOR 13.0/390");
}

TEST(RateStats, BurstSetsBusiestEvenWhenItsBucketClosesOnlyAtTheWindowEnd) {
    RateStats stats;
    rateTick(stats, 2000);
    count(stats, RateEvent::wmSetCursor, 45);
    // The next tick comes only when the window is over: its bucket is closed by that tick.
    std::optional<std::string> line = rateTick(stats, 32000);
    ASSERT_TRUE(line);
    EXPECT_NE(line->find("| WM_SETCURSOR 1.5/45"), std::string::npos) << *line;

    // The same burst in the last, partial second, just before the window ends.
    rateTick(stats, 32100);
    tickThrough(stats, 32100, 61900);
    count(stats, RateEvent::wmSetCursor, 7);
    line = rateTick(stats, 62000);
    ASSERT_TRUE(line);
    EXPECT_NE(line->find("| WM_SETCURSOR 0.2/7"), std::string::npos) << *line;
}

TEST(RateStats, BusiestIsTheLargestBucketOfTheWindow) {
    RateStats stats;
    rateTick(stats, 10000);
    const int perSecond[] = {3, 9, 0, 4, 9, 1};
    std::uint32_t now = 10000;
    for (int events : perSecond) {
        count(stats, RateEvent::fitToGame, events);
        tickThrough(stats, now, now + 1000);
        now += 1000;
    }
    tickThrough(stats, now, 39900);
    std::optional<std::string> line = rateTick(stats, 40000);
    ASSERT_TRUE(line);
    EXPECT_NE(line->find("fit_to_game 0.9/9 "), std::string::npos) << *line;
}

TEST(RateStats, BucketsCloseOnTheFirstTickOneSecondOrMoreAfterTheyOpened) {
    RateStats stats;
    rateTick(stats, 100000);
    count(stats, RateEvent::hostToGame, 2);
    rateTick(stats, 100999); // not yet a second: the bucket goes on
    count(stats, RateEvent::hostToGame, 2);
    rateTick(stats, 101000);
    EXPECT_EQ(stats[RateEvent::hostToGame].busiest, 4u);
    EXPECT_EQ(stats[RateEvent::hostToGame].thisSecond, 0u);
    EXPECT_EQ(stats.secondStart, 101000u);
    count(stats, RateEvent::hostToGame, 3);
    rateTick(stats, 102500); // a late tick makes a longer bucket
    EXPECT_EQ(stats[RateEvent::hostToGame].busiest, 4u);
    EXPECT_EQ(stats.secondStart, 102500u);
    EXPECT_EQ(stats[RateEvent::hostToGame].total, 7u);
}

TEST(RateStats, LateTicksLengthenTheWindowAndItsPrintedLength) {
    struct Case {
        std::uint32_t end;
        const char* expected;
    } cases[] = {
        {30000, "30s"}, {30400, "30s"}, {30600, "31s"}, {45200, "45s"}, {29999, nullptr},
    };
    for (const Case& c : cases) {
        RateStats stats;
        rateTick(stats, 7);
        count(stats, RateEvent::pageToHost);
        std::optional<std::string> line = rateTick(stats, 7 + c.end);
        if (!c.expected) {
            EXPECT_FALSE(line) << c.end;
            continue;
        }
        ASSERT_TRUE(line) << c.end;
        EXPECT_EQ(line->substr(0, line->find(' ', 6)), std::string("rates ") + c.expected);
    }
}

TEST(RateStats, AverageIsTotalOverTheRealWindowLength) {
    RateStats stats;
    rateTick(stats, 500);
    count(stats, RateEvent::fitToGame, 300);
    count(stats, RateEvent::same, 290);
    count(stats, RateEvent::rectChanged, 10);
    std::optional<std::string> line = rateTick(stats, 40500); // 40 s: ticks came late
    ASSERT_TRUE(line);
    EXPECT_NE(line->find("rates 40s "), std::string::npos);
    EXPECT_NE(line->find("fit_to_game 7.5/300 (rect changed 10, same 290)"), std::string::npos)
        << *line;
}

TEST(RateStats, CountersNeverSurviveAWindow) {
    RateStats stats;
    rateTick(stats, 1000);
    count(stats, RateEvent::setFocus, 5);
    ASSERT_TRUE(rateTick(stats, 31000));
    for (const RateCounter& counter : stats.counters) {
        EXPECT_EQ(counter.total, 0u);
        EXPECT_EQ(counter.thisSecond, 0u);
        EXPECT_EQ(counter.busiest, 0u);
    }
    EXPECT_EQ(stats.windowStart, 31000u);
    count(stats, RateEvent::pageToHost);
    std::vector<std::string> lines = tickThrough(stats, 31000, 61000);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], quietLine("30s", "0.0/1")); // no SetFocus left from before
}

TEST(RateStats, TickCountWrapIsHarmless) {
    const std::uint32_t start = 0xFFFFFFFFu - 12000; // wraps 12 s into the window
    RateStats stats;
    rateTick(stats, start);
    count(stats, RateEvent::gameToHost, 3);
    std::vector<std::string> lines = tickThrough(stats, start, start + 29900);
    EXPECT_TRUE(lines.empty());
    // Buckets kept closing across the wrap: none stayed open for the rest of the window.
    EXPECT_EQ(stats[RateEvent::gameToHost].busiest, 3u);
    EXPECT_LT(static_cast<std::uint32_t>(start + 29900 - stats.secondStart), 1000u);
    count(stats, RateEvent::gameToHost, 2);
    std::optional<std::string> line = rateTick(stats, start + 30000);
    ASSERT_TRUE(line);
    EXPECT_NE(line->find("rates 30s "), std::string::npos);
    EXPECT_NE(line->find("game->host 0.2/3 "), std::string::npos) << *line;
    EXPECT_EQ(stats.windowStart, start + 30000);
}

TEST(RateStats, LargestCountsPrintInFull) {
    RateStats stats;
    rateTick(stats, 1000);
    stats[RateEvent::modeChanges].total = 0xFFFFFFFFu;
    stats[RateEvent::wmSetCursor].total = 3000000000u;
    stats[RateEvent::wmSetCursor].thisSecond = 0xFFFFFFFFu;
    std::optional<std::string> line = rateTick(stats, 31000);
    ASSERT_TRUE(line);
    EXPECT_NE(line->find("mode changes 4294967295,"), std::string::npos) << *line;
    EXPECT_NE(line->find("WM_SETCURSOR 100000000.0/4294967295"), std::string::npos) << *line;
}

TEST(RateStats, TotalsThatWouldWrapTheirSumStillWriteTheLine) {
    RateStats stats;
    rateTick(stats, 1000);
    stats[RateEvent::pageToHost].total = 0x80000000u;
    stats[RateEvent::hostToPage].total = 0x80000000u; // a 32-bit sum would be 0
    EXPECT_TRUE(rateTick(stats, 31000));
}

TEST(RateStats, ProcessWideCountingGoesIntoTheNamedCounter) {
    const RateStats saved = rateStats;
    rateStats = RateStats{};
    rateCount(RateEvent::wmSetCursor);
    rateCount(RateEvent::wmSetCursor);
    rateCount(RateEvent::same);
    EXPECT_EQ(rateStats.counters[12].total, 2u);
    EXPECT_EQ(rateStats.counters[12].thisSecond, 2u);
    EXPECT_EQ(rateStats.counters[9].total, 1u);
    EXPECT_EQ(rateStats.counters[0].total, 0u);
    rateStats = saved;
}

} // namespace

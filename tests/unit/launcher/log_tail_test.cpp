#include <gtest/gtest.h>

#include "log_tail.h"

namespace {

using Lines = std::vector<std::string>;

// Feeds the bytes cut at the given positions, as successive reads would bring them.
Lines feed(LogTail& tail, const std::string& bytes, const std::vector<size_t>& cuts) {
    Lines all;
    size_t from = 0;
    std::vector<size_t> ends = cuts;
    ends.push_back(bytes.size());
    for (size_t end : ends) {
        for (auto& line : takeLogBytes(tail, std::string_view(bytes).substr(from, end - from)))
            all.push_back(line);
        from = end;
    }
    return all;
}

TEST(LogTail, CompleteLinesWithoutLineEndsAndOneCarriageReturnDropped) {
    LogTail tail;
    EXPECT_EQ(takeLogBytes(tail, "one\r\ntwo\n\nthree\r\r\nfour"),
              (Lines{"one", "two", "", "three\r"}));
    EXPECT_EQ(tail.pending, "four");
    EXPECT_EQ(tail.offset, 22u);
}

TEST(LogTail, CarriageReturnInsideALineStaysInIt) {
    LogTail tail;
    EXPECT_EQ(takeLogBytes(tail, "a\rb\n"), (Lines{"a\rb"}));
    EXPECT_EQ(takeLogBytes(tail, "\r"), Lines{});
    EXPECT_EQ(takeLogBytes(tail, "x\n"), (Lines{"\rx"}));
}

TEST(LogTail, LastLineWithoutLineFeedIsNeverSent) {
    LogTail tail;
    EXPECT_EQ(takeLogBytes(tail, "done"), Lines{});
    EXPECT_EQ(takeLogBytes(tail, ""), Lines{});
    EXPECT_EQ(tail.pending, "done");
}

TEST(LogTail, EveryCutGivesTheSameLines) {
    const std::string bytes = "first\r\nsecond \xC3\xA9\r\n\r\nthird\rx\nlast";
    const Lines expected{"first", "second \xC3\xA9", "", "third\rx"};
    for (size_t a = 0; a <= bytes.size(); ++a) {
        for (size_t b = a; b <= bytes.size(); ++b) {
            LogTail tail;
            EXPECT_EQ(feed(tail, bytes, {a, b}), expected) << a << " " << b;
            EXPECT_EQ(tail.pending, "last");
        }
    }
    LogTail byByte;
    std::vector<size_t> every;
    for (size_t i = 1; i < bytes.size(); ++i)
        every.push_back(i);
    EXPECT_EQ(feed(byByte, bytes, every), expected);
}

TEST(LogTail, OldLogIsIgnoredUntilWrittenDuringTheRun) {
    LogTail tail;
    tail.started = 1000;
    EXPECT_EQ(logBytesToRead(tail, 999, 50), 0u);
    EXPECT_FALSE(tail.fresh);
    // Written again: all of it counts, from the start.
    EXPECT_EQ(logBytesToRead(tail, 1000, 60), 60u);
    EXPECT_TRUE(tail.fresh);
    takeLogBytes(tail, std::string(60, 'x'));
    // Once fresh, the time no longer matters.
    EXPECT_EQ(logBytesToRead(tail, 5, 70), 10u);
}

TEST(LogTail, OnlyNewBytesAreRead) {
    LogTail tail;
    EXPECT_EQ(logBytesToRead(tail, 0, 0), 0u);
    EXPECT_EQ(logBytesToRead(tail, 0, 10), 10u);
    takeLogBytes(tail, "0123456789");
    EXPECT_EQ(logBytesToRead(tail, 0, 10), 0u);
    EXPECT_EQ(logBytesToRead(tail, 0, 15), 5u);
    EXPECT_EQ(logBytesToRead(tail, 0, 0x100000000ull + 10), 0x100000000ull);
}

TEST(LogTail, ShrunkLogIsReadAgainFromItsStartWithoutTheOldUnfinishedLine) {
    LogTail tail;
    ASSERT_EQ(logBytesToRead(tail, 0, 20), 20u);
    EXPECT_EQ(takeLogBytes(tail, "long first line\npart"), (Lines{"long first line"}));
    EXPECT_EQ(logBytesToRead(tail, 0, 4), 4u);
    EXPECT_EQ(tail.offset, 0u);
    EXPECT_EQ(tail.pending, "");
    EXPECT_EQ(takeLogBytes(tail, "new\n"), (Lines{"new"}));
    EXPECT_EQ(tail.offset, 4u);
}

} // namespace

#include <gtest/gtest.h>

#include "port_wait.h"

namespace {

TEST(PortWait, FirstFailureSaysTakenOnce) {
    PortWaitStep step = portWaitStep(1, 47632);
    ASSERT_EQ(step.lines.size(), 1u);
    EXPECT_EQ(step.lines[0], "port 47632 is taken - waiting for it (up to 30 s)");
    EXPECT_FALSE(step.giveUp);
}

TEST(PortWait, GivesUpOnTheHundredTwentiethFailedBind) {
    int binds = 0;
    int pauses = 0;
    std::vector<std::string> logged;
    for (int failed = 1;; ++failed) {
        ++binds;
        PortWaitStep step = portWaitStep(failed, 5000);
        logged.insert(logged.end(), step.lines.begin(), step.lines.end());
        if (step.giveUp)
            break;
        ++pauses;
        ASSERT_LT(failed, 1000) << "never gives up";
    }
    EXPECT_EQ(binds, 120);
    EXPECT_EQ(pauses, 119);
    ASSERT_EQ(logged.size(), 3u);
    EXPECT_EQ(logged[0], "port 5000 is taken - waiting for it (up to 30 s)");
    EXPECT_EQ(logged[1], "port 5000 still taken after 30 s - another overlay runs; exiting");
    EXPECT_EQ(logged[2], "exit (port 5000 taken)");
}

TEST(PortWait, FreeLineCountsQuarterSeconds) {
    EXPECT_EQ(portFreeLine(47632, 1), "port 47632 free after 250 ms");
    EXPECT_EQ(portFreeLine(47632, 4), "port 47632 free after 1000 ms");
    EXPECT_EQ(portFreeLine(0, 119), "port 0 free after 29750 ms");
}

} // namespace

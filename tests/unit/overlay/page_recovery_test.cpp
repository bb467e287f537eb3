#include <gtest/gtest.h>

#include "page_recovery.h"

namespace {

// The runtime's kinds: 0 browser exited, 1 renderer exited, 2 renderer unresponsive, 3 a
// frame's renderer exited, 4 and on other helper processes.
TEST(PageRecovery, OnlyADeadBrowserOrRendererTakesThePage) {
    EXPECT_EQ(recoveryFor(0), PageRecovery::newWebView);
    EXPECT_EQ(recoveryFor(1), PageRecovery::reloadPage);
    for (int kind : {2, 3, 4, 8, -1, 1000})
        EXPECT_EQ(recoveryFor(kind), PageRecovery::none) << kind;
}

TEST(PageRecovery, LineSaysWhatFailedAndWhatComesNext) {
    EXPECT_EQ(recoveryLine(0), "WebView2 browser process exited - the page's rectangles lifted, "
                               "creating the web view again");
    EXPECT_EQ(recoveryLine(1),
              "WebView2 page renderer exited - the page's rectangles lifted, reloading the page");
    EXPECT_EQ(recoveryLine(2), "WebView2 process failed (kind 2) - the page goes on");
}

TEST(PageRecovery, ThreeRecoveriesInARunWithGrowingWaitsThenGiveUp) {
    RecoveryBudget budget;
    const unsigned start = 0xFFFFF000u; // across the tick counter's wrap
    EXPECT_EQ(nextRecovery(budget, start).waitMs, 500u);
    EXPECT_EQ(nextRecovery(budget, start + 59000).waitMs, 1000u);
    EXPECT_EQ(nextRecovery(budget, start + 118000).waitMs, 2000u);
    EXPECT_TRUE(nextRecovery(budget, start + 177000).giveUp);
    EXPECT_EQ(giveUpLine(budget.failures),
              "WebView2 failed 4 times, each within a minute of the last - the overlay goes on "
              "without its page until it is started again");
}

TEST(PageRecovery, AMinuteWithoutFailureStartsANewRun) {
    RecoveryBudget budget;
    nextRecovery(budget, 1000);
    nextRecovery(budget, 2000);
    RecoveryStep step = nextRecovery(budget, 62001);
    EXPECT_FALSE(step.giveUp);
    EXPECT_EQ(step.waitMs, 500u);
}

} // namespace

#include <gtest/gtest.h>

#include "page_outbox.h"
#include "page_recovery.h"

namespace {

using Texts = std::vector<std::wstring>;

TEST(PageOutbox, MessagesPassUntilThePageIsGoneThenWaitForTheNewPagesHello) {
    PageOutbox outbox;
    EXPECT_EQ(outgoing(outbox, L"{\"type\":\"log\",\"line\":\"1\"}"),
              Texts{L"{\"type\":\"log\",\"line\":\"1\"}"});

    holdUntilHello(outbox);
    EXPECT_EQ(outgoing(outbox, L"{\"type\":\"log\",\"line\":\"2\"}"), Texts{});
    // A second failure before the page is back keeps what is held.
    holdUntilHello(outbox);
    EXPECT_EQ(outgoing(outbox, L"{\"type\":\"done\",\"exit\":0}"), Texts{});
    EXPECT_EQ(outgoing(outbox, L""), Texts{});

    EXPECT_EQ(afterHello(outbox, L"{\"type\":\"hello\"}"),
              (Texts{L"{\"type\":\"hello\"}", L"{\"type\":\"log\",\"line\":\"2\"}",
                     L"{\"type\":\"done\",\"exit\":0}", L""}));
    EXPECT_FALSE(outbox.holding);
    EXPECT_TRUE(outbox.held.empty());
    EXPECT_EQ(outgoing(outbox, L"{\"type\":\"log\",\"line\":\"3\"}"),
              Texts{L"{\"type\":\"log\",\"line\":\"3\"}"});
    // Nothing held: a hello is answered alone.
    EXPECT_EQ(afterHello(outbox, L"{\"type\":\"hello\"}"), Texts{L"{\"type\":\"hello\"}"});
}

TEST(PageRecovery, BrowserExitRecreatesRendererExitReloadsTheRestOnlyLogs) {
    EXPECT_EQ(recoveryFor(0), PageRecovery::recreate);
    EXPECT_EQ(recoveryFor(1), PageRecovery::reload);
    for (int kind : {2, 3, 4, 5, 6, 7, 8, 9, -1, 1000})
        EXPECT_EQ(recoveryFor(kind), PageRecovery::none) << kind;
    EXPECT_EQ(processFailedLogLine(0), "WebView2 browser process exited; starting the page again");
    EXPECT_EQ(processFailedLogLine(1), "WebView2 render process exited; reloading the page");
    EXPECT_EQ(processFailedLogLine(2), "WebView2 process failed, kind 2");
}

} // namespace

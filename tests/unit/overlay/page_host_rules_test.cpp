#include <gtest/gtest.h>

#include "page_host_rules.h"

namespace {

TEST(PageHostRules, FocusOnlyForAPageThatSaidReady) {
    EXPECT_TRUE(mayTakeFocus(true, true));
    EXPECT_FALSE(mayTakeFocus(true, false));
    EXPECT_FALSE(mayTakeFocus(false, true));
}

TEST(PageHostRules, WhatAFinishedNavigationLeaves) {
    EXPECT_EQ(navigationOutcome(true, true, true), NavigationOutcome::loaded);
    EXPECT_EQ(navigationOutcome(false, true, true), NavigationOutcome::pageFailed);
    EXPECT_EQ(navigationOutcome(false, false, false), NavigationOutcome::pageFailed);
    EXPECT_EQ(navigationOutcome(false, false, true), NavigationOutcome::pageStays);
    EXPECT_EQ(navigationOutcome(true, false, true), NavigationOutcome::pageStays);
}

TEST(PageHostRules, FailureLineNamesTheStatus) {
    EXPECT_EQ(navigationFailedLine(13),
              "the page did not load (WebErrorStatus 13, host name not resolved)");
    EXPECT_EQ(navigationFailedLine(0), "the page did not load (WebErrorStatus 0, unknown)");
    EXPECT_STREQ(webErrorStatusName(19), "unknown");
    EXPECT_STREQ(webErrorStatusName(-1), "unknown");
}

TEST(PageHostRules, BackgroundBeforeTheControllerExists) {
    EXPECT_STREQ(defaultBackgroundVariable(true), L"FF0B0B18");
    EXPECT_STREQ(defaultBackgroundVariable(false), L"00000000");
}

} // namespace

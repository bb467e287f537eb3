#include <gtest/gtest.h>

#include "dpi_binding.h"
#include "host_window_rules.h"

namespace {

TEST(HostWindowRules, NoGameLimitIsMoreThanSixtySeconds) {
    EXPECT_FALSE(noGameTooLong(1000 + 60000, 1000));
    EXPECT_TRUE(noGameTooLong(1000 + 60001, 1000));
    EXPECT_FALSE(noGameTooLong(1000, 1000));
}

TEST(HostWindowRules, ElapsedTimesSurviveTheTickCountWrap) {
    uint32_t since = 0xFFFFF000u; // about 4 s before the wrap
    EXPECT_FALSE(noGameTooLong(since + 60000u, since));
    EXPECT_TRUE(noGameTooLong(since + 60001u, since));
    EXPECT_FALSE(coverTimedOut(0x00000010u, 0xFFFFFFF0u));
    EXPECT_TRUE(coverTimedOut(since + 10001u, since));
}

TEST(HostWindowRules, CoverLimitIsMoreThanTenSeconds) {
    EXPECT_FALSE(coverTimedOut(500 + 10000, 500));
    EXPECT_TRUE(coverTimedOut(500 + 10001, 500));
}

TEST(HostWindowRules, WebViewShownUnderTheCoverAndWhileShown) {
    EXPECT_TRUE(webViewShown(0, true)); // hidden, but the page must draw to lift the cover
    EXPECT_FALSE(webViewShown(0, false));
    EXPECT_TRUE(webViewShown(1, false));
    EXPECT_TRUE(webViewShown(2, false));
}

TEST(HostWindowRules, FileNamePartAfterTheLastSeparator) {
    EXPECT_EQ(fileNamePart(L"C:\\Games\\Cindergale\\Cindergale.exe"), L"Cindergale.exe");
    EXPECT_EQ(fileNamePart(L"C:/Games/game.exe"), L"game.exe");
    EXPECT_EQ(fileNamePart(L"C:\\a/b\\c.exe"), L"c.exe");
    EXPECT_EQ(fileNamePart(L"game.exe"), L"game.exe");
    EXPECT_EQ(fileNamePart(L"C:\\dir\\"), L"");
}

TEST(HostWindowRules, DestroyedSuffixByCloseAndMode) {
    EXPECT_STREQ(destroyedSuffix(true, true), " after WM_CLOSE");
    EXPECT_STREQ(destroyedSuffix(true, false), " after WM_CLOSE");
    EXPECT_STREQ(destroyedSuffix(false, true), " - with its parent, the game window");
    EXPECT_STREQ(destroyedSuffix(false, false), "");
}

TEST(HostWindowRules, FitGeometryCountsChangesAgainstThePreviousFit) {
    FitGeometry previous;
    EXPECT_TRUE(fitGeometryChanged(previous, {0, 0, 800, 600, 0, 0})); // first fit
    EXPECT_FALSE(fitGeometryChanged(previous, {0, 0, 800, 600, 0, 0}));
    EXPECT_TRUE(fitGeometryChanged(previous, {0, 0, 800, 600, 10, 0})); // origin moved
    EXPECT_TRUE(fitGeometryChanged(previous, {0, 0, 640, 600, 10, 0}));
    EXPECT_FALSE(fitGeometryChanged(previous, {0, 0, 640, 600, 10, 0}));
}

TEST(HostWindowRules, PassiveFitsOnlyWhenTheGameMovedOrChangedSize) {
    EXPECT_TRUE(fitOnTick(2, false, true) && fitOnTick(0, true, true)); // active, covered
    EXPECT_TRUE(fitOnTick(1, false, false) && !fitOnTick(1, false, true));
    EXPECT_FALSE(fitOnTick(0, false, false)); // hidden
}

TEST(HostWindowRules, ChildOfTheGamesDpiAwarenessOrOwned) {
    using enum DpiMode;
    EXPECT_EQ(hostCreationMode(true, unaware, perMonitorV2), unaware);
    EXPECT_EQ(hostCreationMode(true, perMonitorV2, perMonitorV2), unknown); // the same already
    EXPECT_EQ(hostCreationMode(false, unaware, perMonitorV2), unknown);
    EXPECT_EQ(hostCreationMode(true, unknown, perMonitorV2), unknown);
    EXPECT_EQ(dpiBinding(true, unaware, unaware), DpiBinding::asChild);
    EXPECT_EQ(dpiBinding(true, systemAware, perMonitor), DpiBinding::asOwned);
    EXPECT_EQ(dpiBinding(true, unknown, perMonitorV2), DpiBinding::asChild); // cannot tell
}

} // namespace

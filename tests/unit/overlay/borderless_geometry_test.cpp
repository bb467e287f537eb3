#include <gtest/gtest.h>

#include "borderless_geometry.h"

namespace {

constexpr std::uint32_t kOverlappedVisible = 0x10CF0000; // WS_OVERLAPPEDWINDOW | WS_VISIBLE
constexpr ScreenRect kMonitor{0, 0, 1920, 1080};
constexpr ScreenRect kSecondMonitor{1920, -200, 4480, 1240};

TEST(BorderlessGeometry, OnlyTheExactWordAsksForBorderless) {
    EXPECT_TRUE(asksForBorderless("borderless"));
    for (const char* other : {"", "Borderless", "BORDERLESS", "borderlesS", "borderless ",
                              " borderless", "borderless\n", "border", "framed"})
        EXPECT_FALSE(asksForBorderless(other)) << '"' << other << '"';
}

TEST(BorderlessGeometry, StyleLosesTheFrameBitsAndBecomesAPopup) {
    EXPECT_EQ(borderlessStyle(kOverlappedVisible), 0x90000000u);
    EXPECT_EQ(borderlessStyle(0x16CF0000), 0x96000000u); // clip bits kept
    EXPECT_EQ(borderlessStyle(0x80000000), 0x80000000u);
    EXPECT_EQ(borderlessStyle(0x00C00000), 0x80000000u); // WS_CAPTION alone
    EXPECT_EQ(borderlessStyle(0x0000FFFF), 0x8000FFFFu);
}

TEST(BorderlessGeometry, StepCoversTheNearestMonitorAndRemembersOnlyFromOff) {
    ScreenRect framed{100, 100, 740, 580};
    BorderlessStep first = borderlessStep(false, kOverlappedVisible, framed, kMonitor);
    EXPECT_TRUE(first.change);
    EXPECT_TRUE(first.remember);
    EXPECT_EQ(first.style, 0x90000000u);
    EXPECT_EQ(first.rect, kMonitor);

    // Already on but moved or framed by the game: changed again, the first values kept.
    BorderlessStep again = borderlessStep(true, 0x90000000, ScreenRect{50, 50, 850, 650}, kMonitor);
    EXPECT_TRUE(again.change);
    EXPECT_FALSE(again.remember);

    BorderlessStep second =
        borderlessStep(false, kOverlappedVisible, ScreenRect{2000, 0, 2640, 480}, kSecondMonitor);
    EXPECT_EQ(second.rect, kSecondMonitor);
    EXPECT_EQ(borderlessLine(second.rect), "window: borderless 2560x1440");
}

TEST(BorderlessGeometry, AlreadyBorderlessFullMonitorIsLeftAlone) {
    EXPECT_FALSE(borderlessStep(false, 0x90000000, kMonitor, kMonitor).change);
    EXPECT_FALSE(borderlessStep(true, 0x90000000, kMonitor, kMonitor).change);
    // Any one frame bit left, or a rectangle off by a pixel, is worth the change.
    for (std::uint32_t bit :
         {0x00800000u, 0x00400000u, 0x00080000u, 0x00040000u, 0x00020000u, 0x00010000u})
        EXPECT_TRUE(borderlessStep(false, 0x90000000 | bit, kMonitor, kMonitor).change) << bit;
    EXPECT_TRUE(borderlessStep(false, 0x90000000, ScreenRect{0, 0, 1920, 1079}, kMonitor).change);
}

TEST(BorderlessGeometry, LineGivesTheMonitorSize) {
    EXPECT_EQ(borderlessLine(kMonitor), "window: borderless 1920x1080");
    EXPECT_EQ(borderlessLine(ScreenRect{-1280, 0, 0, 1024}), "window: borderless 1280x1024");
}

} // namespace

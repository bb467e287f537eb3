#include <gtest/gtest.h>

#include "window_geometry.h"

namespace {

TEST(MulDiv, RoundsHalfAwayFromZeroLikeTheSystem) {
    EXPECT_EQ(mulDiv(1280, 96, 96), 1280);
    EXPECT_EQ(mulDiv(1280, 144, 96), 1920);
    EXPECT_EQ(mulDiv(720, 120, 96), 900);
    EXPECT_EQ(mulDiv(980, 120, 96), 1225);
    EXPECT_EQ(mulDiv(3, 1, 2), 2);
    EXPECT_EQ(mulDiv(5, 1, 4), 1);
    EXPECT_EQ(mulDiv(-3, 1, 2), -2);
    EXPECT_EQ(mulDiv(3, -1, 2), -2);
    EXPECT_EQ(mulDiv(3, 1, -2), -2);
    EXPECT_EQ(mulDiv(1, 1, 0), -1);
    EXPECT_EQ(mulDiv(2147483647, 2, 1), -1);
}

TEST(WindowGeometry, ClientSizeScalesWithDpi) {
    WindowBox at96 = clientSizeForDpi(96);
    EXPECT_EQ(at96.width, 1280);
    EXPECT_EQ(at96.height, 720);
    WindowBox at144 = clientSizeForDpi(144);
    EXPECT_EQ(at144.width, 1920);
    EXPECT_EQ(at144.height, 1080);
    WindowBox at120 = clientSizeForDpi(120);
    EXPECT_EQ(at120.width, 1600);
    EXPECT_EQ(at120.height, 900);
}

TEST(WindowGeometry, FittingWindowIsCentredUnchanged) {
    WindowBox box = placeWindow(1296, 759, {0, 0, 1920, 1040});
    EXPECT_EQ(box.width, 1296);
    EXPECT_EQ(box.height, 759);
    EXPECT_EQ(box.x, 312);
    EXPECT_EQ(box.y, 140);
    // Odd leftovers are halved toward zero.
    box = placeWindow(101, 101, {0, 0, 200, 200});
    EXPECT_EQ(box.x, 49);
    EXPECT_EQ(box.y, 49);
    // An exact fit is no reason to shrink.
    box = placeWindow(1920, 1040, {0, 0, 1920, 1040});
    EXPECT_EQ(box.width, 1920);
    EXPECT_EQ(box.height, 1040);
    EXPECT_EQ(box.x, 0);
}

TEST(WindowGeometry, TooLargeWindowIs95PercentOfTheFitAndCentred) {
    // Height limits: s = min(728/759, 1280/1296) * 0.95.
    WindowBox box = placeWindow(1296, 759, {0, 0, 1280, 728});
    double s = 728.0 / 759 * 0.95;
    EXPECT_EQ(box.width, static_cast<int>(1296 * s));
    EXPECT_EQ(box.height, static_cast<int>(759 * s));
    EXPECT_EQ(box.width, 1180);
    EXPECT_EQ(box.height, 691);
    EXPECT_EQ(box.x, (1280 - 1180) / 2);
    EXPECT_EQ(box.y, (728 - 691) / 2);
    // Width limits.
    box = placeWindow(2000, 500, {0, 0, 1000, 1000});
    EXPECT_EQ(box.width, 950);
    EXPECT_EQ(box.height, 237);
    EXPECT_EQ(box.x, 25);
    EXPECT_EQ(box.y, 381);
    // Only one side too large is enough.
    box = placeWindow(800, 1200, {0, 0, 1600, 1000});
    double t = 1000.0 / 1200 * 0.95;
    EXPECT_EQ(box.height, static_cast<int>(1200 * t));
    EXPECT_EQ(box.width, static_cast<int>(800 * t));
}

TEST(WindowGeometry, WorkAreaAwayFromTheOrigin) {
    WindowBox box = placeWindow(1296, 759, {-1920, 40, 0, 1080});
    EXPECT_EQ(box.x, -1920 + (1920 - 1296) / 2);
    EXPECT_EQ(box.y, 40 + (1040 - 759) / 2);
}

TEST(WindowGeometry, DegenerateSizesDoNotFault) {
    WindowBox box = placeWindow(0, 0, {0, 0, 100, 100});
    EXPECT_EQ(box.x, 50);
    box = placeWindow(100, 100, {0, 0, 0, 0});
    EXPECT_EQ(box.width, 0);
    EXPECT_EQ(box.height, 0);
}

TEST(WindowGeometry, MinimumTrackSizeByWindowDpi) {
    WindowBox box = minimumTrackSize(96);
    EXPECT_EQ(box.width, 980);
    EXPECT_EQ(box.height, 600);
    box = minimumTrackSize(0);
    EXPECT_EQ(box.width, 980);
    EXPECT_EQ(box.height, 600);
    box = minimumTrackSize(144);
    EXPECT_EQ(box.width, 1470);
    EXPECT_EQ(box.height, 900);
    box = minimumTrackSize(120);
    EXPECT_EQ(box.width, 1225);
    EXPECT_EQ(box.height, 750);
}

} // namespace

#include <gtest/gtest.h>

#include <climits>

#include "region_math.h"

namespace {

TEST(RegionMath, ScaleOneAndAHalf) {
    auto region = scaledRegion({{10, 10, 101, 21}}, 1.5);
    ASSERT_EQ(region.size(), 1u);
    EXPECT_EQ(region[0], (RegionRect{15, 15, 166, 46}));
}

TEST(RegionMath, UnitScaleKeepsRectanglesAndOrder) {
    auto region = scaledRegion({{0, 0, 10, 10}, {-5, 3, 2, 2}}, 1.0);
    ASSERT_EQ(region.size(), 2u);
    EXPECT_EQ(region[0], (RegionRect{0, 0, 10, 10}));
    EXPECT_EQ(region[1], (RegionRect{-5, 3, -3, 5}));
    EXPECT_TRUE(scaledRegion({}, 2.0).empty());
}

TEST(RegionMath, ProductsTruncateTowardZero) {
    // 1.25 * 3 = 3.75 -> 3; -3 * 1.25 = -3.75 -> -3.
    auto region = scaledRegion({{3, -3, 0, 0}}, 1.25);
    EXPECT_EQ(region[0], (RegionRect{3, -3, 3, -3}));
    // The scale is narrowed to single precision first: 1.1f * 10 = 11.0000002 -> 11.
    EXPECT_EQ(scaledRegion({{10, 0, 0, 0}}, 1.1)[0].left, 11);
}

TEST(RegionMath, HugeRectanglesNeitherOverflowNorCrash) {
    auto region = scaledRegion({{INT_MAX, INT_MIN, 1, -1}}, 2.0);
    ASSERT_EQ(region.size(), 1u);
    EXPECT_EQ(region[0].left, INT_MAX);
    EXPECT_EQ(region[0].top, INT_MIN);
    // x + w wraps as a 32-bit sum before the scale.
    EXPECT_EQ(region[0].right, INT_MIN);
    EXPECT_EQ(region[0].bottom, INT_MAX);
}

} // namespace

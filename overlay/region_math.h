#pragma once
#include <vector>

#include "hit_rect.h"

// A rectangle of the window region in device pixels.
struct RegionRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const RegionRect&) const = default;
};

// The page's rectangles scaled to device pixels: the scale in single precision, right and
// bottom summed as 32-bit integers first, each product truncated toward zero.
std::vector<RegionRect> scaledRegion(const std::vector<HitRect>& rects, double scale);

#include "region_math.h"

#include <cstdint>

namespace {

// Wraps like the 32-bit addition it stands for, without signed overflow.
int add32(int a, int b) {
    return static_cast<int>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

// Truncates toward zero, held at the 32-bit limits (a huge page rectangle must not be
// undefined behaviour).
int scaled(int value, float scale) {
    float product = static_cast<float>(value) * scale;
    if (!(product > -2147483648.0f))
        return product != product ? 0 : INT32_MIN;
    if (product >= 2147483648.0f)
        return INT32_MAX;
    return static_cast<int>(product);
}

} // namespace

std::vector<RegionRect> scaledRegion(const std::vector<HitRect>& rects, double scale) {
    float s = static_cast<float>(scale);
    std::vector<RegionRect> out;
    out.reserve(rects.size());
    for (const HitRect& r : rects)
        out.push_back({scaled(r.x, s), scaled(r.y, s), scaled(add32(r.x, r.w), s),
                       scaled(add32(r.y, r.h), s)});
    return out;
}

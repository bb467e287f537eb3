// The page's rectangle list and its scaling to the window region: any text and any scale,
// no crash and no undefined arithmetic; one rectangle for every four numbers.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>

#include "fuzz_input.h"
#include "hit_rect.h"
#include "region_math.h"

namespace {

// Numbers in the text: maximal runs of digits, '-' and '.'.
std::size_t numberCount(const std::wstring& text) {
    std::size_t count = 0;
    bool inToken = false;
    for (wchar_t unit : text) {
        bool tokenUnit = (unit >= L'0' && unit <= L'9') || unit == L'-' || unit == L'.';
        if (tokenUnit && !inToken)
            ++count;
        inToken = tokenUnit;
    }
    return count;
}

bool exactInFloat(int value) {
    return value >= -(1 << 24) && value <= (1 << 24);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const double scale = input.ConsumeFloatingPoint<double>();
    const std::vector<std::uint8_t> rest = input.ConsumeRemainingBytes<std::uint8_t>();
    // Both readings of the bytes: as UTF-16 units and one unit per byte (ASCII lists).
    const std::wstring wide = utf16Units(rest.data(), rest.size());
    const std::wstring narrow(rest.begin(), rest.end());

    for (const std::wstring& text : {wide, narrow}) {
        const std::vector<HitRect> rects = parseRects(text);
        FUZZ_CHECK(rects.size() == numberCount(text) / 4);

        const std::vector<RegionRect> region = scaledRegion(rects, scale);
        FUZZ_CHECK(region.size() == rects.size());
        const std::vector<RegionRect> unscaled = scaledRegion(rects, 1.0);
        for (std::size_t i = 0; i < rects.size(); ++i) {
            const HitRect& r = rects[i];
            if (exactInFloat(r.x) && exactInFloat(r.y)) {
                FUZZ_CHECK(unscaled[i].left == r.x);
                FUZZ_CHECK(unscaled[i].top == r.y);
            }
        }
    }
    return 0;
}

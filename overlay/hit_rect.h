#pragma once
#include <string>
#include <vector>

// One rectangle of the page's interactive area, in page (CSS) pixels.
struct HitRect {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;

    bool operator==(const HitRect&) const = default;
};

// The page's rectangle list, read as a plain run of numbers four at a time: brackets, commas
// and any other separators play no part, and a trailing group of fewer than four is dropped.
// Each number is truncated toward zero; one beyond the 32-bit range is held at its limit.
std::vector<HitRect> parseRects(const std::wstring& text);

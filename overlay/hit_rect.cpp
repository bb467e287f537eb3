#include "hit_rect.h"

#include <cmath>
#include <cstdint>
#include <cwchar>

namespace {

bool isNumberUnit(wchar_t unit) {
    return (unit >= L'0' && unit <= L'9') || unit == L'-' || unit == L'.';
}

// Truncates toward zero; a page sending 1e10 pixels must not wrap into a negative width.
int toPixel(double value) {
    if (std::isnan(value))
        return 0;
    if (value >= 2147483647.0)
        return INT32_MAX;
    if (value <= -2147483648.0)
        return INT32_MIN;
    return static_cast<int>(value);
}

} // namespace

std::vector<HitRect> parseRects(const std::wstring& text) {
    std::vector<double> numbers;
    std::wstring token;
    auto closeToken = [&] {
        if (token.empty())
            return;
        // The longest leading part that forms a number; a lone "-" or "." gives 0.
        numbers.push_back(std::wcstod(token.c_str(), nullptr));
        token.clear();
    };
    for (wchar_t unit : text) {
        if (isNumberUnit(unit))
            token += unit;
        else
            closeToken();
    }
    closeToken(); // a number at the very end is closed like any other

    std::vector<HitRect> rects;
    rects.reserve(numbers.size() / 4);
    for (size_t i = 0; i + 4 <= numbers.size(); i += 4)
        rects.push_back({toPixel(numbers[i]), toPixel(numbers[i + 1]), toPixel(numbers[i + 2]),
                         toPixel(numbers[i + 3])});
    return rects;
}

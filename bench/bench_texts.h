#pragma once
// Inputs for the benchmarks: texts of a given size made of what the programs really carry
// (ASCII words, a few quotes and line breaks, some non-ASCII), the same on every run.
#include <cstddef>
#include <string>

namespace bench_texts {

// UTF-16 text of exactly `size` units.
inline std::wstring wideSample(std::size_t size) {
    static const std::wstring pattern =
        L"the pad keeps \"layout\" for map 7\\n, \u00e9t\u00e9 \u20ac 42;\n";
    std::wstring text;
    text.reserve(size);
    while (text.size() < size)
        text.append(pattern, 0, size - text.size());
    return text;
}

// UTF-8 text of exactly `size` bytes (the last character may be cut).
inline std::string utf8Sample(std::size_t size) {
    static const std::string pattern =
        "the pad keeps \"layout\" for map 7\\n, \xC3\xA9t\xC3\xA9 \xE2\x82\xAC 42;\n";
    std::string text;
    text.reserve(size);
    while (text.size() < size)
        text.append(pattern, 0, size - text.size());
    return text;
}

// Sizes from 64 bytes (or units) to 1 Mi, by factors of 16.
constexpr long kSmallest = 64;
constexpr long kLargest = 1 << 20;

} // namespace bench_texts

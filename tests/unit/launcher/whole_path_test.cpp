#include <gtest/gtest.h>

#include <cwchar>

#include "whole_path.h"

namespace {

// Behaves as GetModuleFileNameW: copies what fits, cut and terminated, and returns the size
// of the buffer when the path did not fit.
size_t fill(const std::wstring& path, wchar_t* buffer, size_t size) {
    size_t copied = path.size() < size ? path.size() : size - 1;
    std::wmemcpy(buffer, path.data(), copied);
    buffer[copied] = L'\0';
    return path.size() < size ? path.size() : size;
}

TEST(WholePath, ShortAndLongPathsComeWhole) {
    for (size_t length : {10u, 259u, 260u, 261u, 1000u, 32767u}) {
        std::wstring path = L"C:\\" + std::wstring(length - 3, L'x');
        int calls = 0;
        EXPECT_EQ(readWholePath([&](wchar_t* b, size_t n) {
                      ++calls;
                      return fill(path, b, n);
                  }),
                  path);
        EXPECT_EQ(calls, length < 260 ? 1 : length < 520 ? 2 : calls);
    }
}

TEST(WholePath, FailureAndEndlessGrowthGiveNothing) {
    EXPECT_EQ(readWholePath([](wchar_t*, size_t) { return size_t{0}; }), L"");
    EXPECT_EQ(readWholePath([](wchar_t*, size_t n) { return n; }), L"");
}

} // namespace

#include <gtest/gtest.h>

#include <cwchar>

#include "whole_path.h"

// As GetModuleFileNameW: a path too long is cut, terminated, and the buffer's size returned.
static size_t fill(const std::wstring& path, wchar_t* buffer, size_t size) {
    size_t copied = path.size() < size ? path.size() : size - 1;
    std::wmemcpy(buffer, path.data(), copied);
    buffer[copied] = L'\0';
    return path.size() < size ? path.size() : size;
}

TEST(WholePath, AnyLengthComesWholeAndFailuresGiveNothing) {
    for (size_t length : {10u, 260u, 32767u}) {
        std::wstring path(length, L'x');
        EXPECT_EQ(readWholePath([&](wchar_t* b, size_t n) { return fill(path, b, n); }), path);
    }
    EXPECT_EQ(readWholePath([](wchar_t*, size_t) { return size_t{0}; }), L"");
    EXPECT_EQ(readWholePath([](wchar_t*, size_t n) { return n; }), L"");
}

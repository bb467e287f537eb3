#include <gtest/gtest.h>

#include "full_path.h"

namespace {

std::wstring result(const std::wstring& input, const std::wstring& resolved) {
    return fullPathResult(input, resolved.c_str(), static_cast<unsigned long>(resolved.size()));
}

TEST(FullPath, TrailingSeparatorsGoButADriveRootKeepsItsOwn) {
    EXPECT_EQ(result(L"x", L"C:\\Kit\\"), L"C:\\Kit");
    EXPECT_EQ(result(L"x", L"C:\\Kit\\\\/"), L"C:\\Kit");
    EXPECT_EQ(result(L"x", L"C:\\Kit/"), L"C:\\Kit");
    EXPECT_EQ(result(L"x", L"C:\\"), L"C:\\");
    EXPECT_EQ(result(L"x", L"C:/"), L"C:/");
    EXPECT_EQ(result(L"x", L"C:\\a\\"), L"C:\\a");
    EXPECT_EQ(result(L"x", L"C:\\Kit"), L"C:\\Kit");
}

TEST(FullPath, FailedOrTooLongResolutionKeepsTheInput) {
    EXPECT_EQ(fullPathResult(L"rel\\", nullptr, 0), L"rel");
    EXPECT_EQ(fullPathResult(L"", L"", 0), L"");
    std::wstring big(600, L'a');
    EXPECT_EQ(fullPathResult(L"in\\x\\", big.c_str(), 520), L"in\\x");
    EXPECT_EQ(fullPathResult(L"in\\", big.c_str(), 600), L"in\\");
    EXPECT_EQ(fullPathResult(L"in\\", big.c_str(), 519), std::wstring(519, L'a'));
}

TEST(FullPath, ShortTextsAreNeverCut) {
    EXPECT_EQ(trimTrailingSeparators(L"\\\\\\"), L"\\\\\\");
    EXPECT_EQ(trimTrailingSeparators(L"\\\\\\\\"), L"\\\\\\");
    EXPECT_EQ(trimTrailingSeparators(L"/"), L"/");
    EXPECT_EQ(trimTrailingSeparators(L""), L"");
}

} // namespace

#include <gtest/gtest.h>

#include "utf8.h"

namespace {

TEST(Utf8, WellFormedTextRoundTrips) {
    const std::wstring texts[] = {L"", L"plain", L"M\u00fcller \u2603 \u20ac",
                                  std::wstring{0xD83D, 0xDE00, L'x'}, std::wstring(1, 0x7FF)};
    for (const std::wstring& text : texts)
        EXPECT_EQ(fromUtf8(toUtf8(text)), text);
    EXPECT_EQ(toUtf8(L"\u00e9"), "\xC3\xA9");
    EXPECT_EQ(toUtf8(std::wstring{0xD83D, 0xDE00}), "\xF0\x9F\x98\x80");
    EXPECT_EQ(fromUtf8("\xF0\x9F\x98\x80"), (std::wstring{0xD83D, 0xDE00}));
}

TEST(Utf8, LoneSurrogateBecomesTheReplacementCharacter) {
    EXPECT_EQ(toUtf8(std::wstring{L'a', 0xD83D, L'b'}), "a\xEF\xBF\xBD"
                                                        "b");
    EXPECT_EQ(toUtf8(std::wstring{0xDE00}), "\xEF\xBF\xBD");
}

TEST(Utf8, InvalidBytesBecomeReplacementsWithoutEatingValidOnes) {
    std::wstring out = fromUtf8("a\xFF"
                                "b");
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0], L'a');
    EXPECT_EQ(out[1], static_cast<wchar_t>(0xFFFD));
    EXPECT_EQ(out[2], L'b');
}

// The system conversion knows an overlong, surrogate or too-large form at its second byte
// and turns the lead and that byte into one U+FFFD; the Linux build must read them alike.
TEST(Utf8, BadSecondByteGoesWithItsLeadIntoOneReplacement) {
    const wchar_t R = 0xFFFD;
    EXPECT_EQ(fromUtf8("\xE0\x80\x80"), (std::wstring{R, R}));        // overlong
    EXPECT_EQ(fromUtf8("\xED\xA0\x80"), (std::wstring{R, R}));        // an encoded surrogate
    EXPECT_EQ(fromUtf8("\xF4\x90\x80\x80"), (std::wstring{R, R, R})); // beyond U+10FFFF
    EXPECT_EQ(fromUtf8("\xF0\x80\x80\x80"), (std::wstring{R, R, R})); // overlong four bytes
    EXPECT_EQ(fromUtf8("\xE0\x80\x41"), (std::wstring{R, L'A'}));
}

} // namespace

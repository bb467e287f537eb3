#include <gtest/gtest.h>

#include <cstdint>

#ifdef _WIN32
#include <windows.h>
#endif

#include "utf8.h"

// The same cases run against the Linux codec and, in the Windows build, against the
// system's own conversion, so the two cannot drift apart.

namespace {

std::wstring units(std::initializer_list<unsigned> list) {
    std::wstring text;
    for (unsigned unit : list)
        text += static_cast<wchar_t>(unit);
    return text;
}

bool runningUnderWine() {
#ifdef _WIN32
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
#else
    return false;
#endif
}

struct Decode {
    std::string bytes;
    std::wstring expected;
};

void expectDecoded(const std::vector<Decode>& cases) {
    for (const Decode& c : cases)
        EXPECT_EQ(fromUtf8(c.bytes), c.expected) << testing::PrintToString(c.bytes);
}

const unsigned R = 0xFFFD;

TEST(Utf8, EmptyGivesEmpty) {
    EXPECT_EQ(toUtf8(L""), "");
    EXPECT_EQ(fromUtf8(""), L"");
}

TEST(Utf8, WellFormedTextAtEveryLengthBoundary) {
    expectDecoded({
        {std::string("\0", 1), units({0})},
        {"\x7F", units({0x7F})},
        {"\xC2\x80", units({0x80})},
        {"\xDF\xBF", units({0x7FF})},
        {"\xE0\xA0\x80", units({0x800})},
        {"\xED\x9F\xBF", units({0xD7FF})},
        {"\xEE\x80\x80", units({0xE000})},
        {"\xEF\xBF\xBF", units({0xFFFF})},
        {"\xEF\xBB\xBF\x41", units({0xFEFF, 'A'})}, // a byte order mark is kept
        {"\xF0\x90\x80\x80", units({0xD800, 0xDC00})},
        {"\xF0\x9F\x98\x80", units({0xD83D, 0xDE00})},
        {"\xF4\x8F\xBF\xBF", units({0xDBFF, 0xDFFF})},
        {"M\xC3\xBCller", units({'M', 0xFC, 'l', 'l', 'e', 'r'})},
    });
    EXPECT_EQ(toUtf8(units({0, 0x7F, 0x80, 0x7FF, 0x800, 0xFFFF})),
              std::string("\0\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF", 12));
    EXPECT_EQ(toUtf8(units({0xD800, 0xDC00, 0xDBFF, 0xDFFF})), "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF");
}

TEST(Utf8, EveryCodePointSurvivesARoundTrip) {
    std::wstring all;
    size_t utf8Size = 0;
    for (std::uint32_t code = 0; code <= 0x10FFFF; ++code) {
        if (code >= 0xD800 && code <= 0xDFFF)
            continue;
        if (code < 0x10000) {
            all += static_cast<wchar_t>(code);
        } else {
            all += static_cast<wchar_t>(0xD800 + ((code - 0x10000) >> 10));
            all += static_cast<wchar_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
        }
        utf8Size += code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
    }
    std::string bytes = toUtf8(all);
    EXPECT_EQ(bytes.size(), utf8Size);
    EXPECT_TRUE(fromUtf8(bytes) == all);
}

TEST(Utf8, LoneSurrogatesBecomeReplacementCharacters) {
    struct Case {
        std::wstring text;
        std::string expected;
    } cases[] = {
        {units({0xD800}), "\xEF\xBF\xBD"},
        {units({0xDC00}), "\xEF\xBF\xBD"},
        {units({0xD800, 'A'}), "\xEF\xBF\xBD\x41"},
        {units({'A', 0xDBFF}), "A\xEF\xBF\xBD"},
        {units({0xDC00, 0xD800}), "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {units({0xD83D, 0xD83D, 0xDE00}), "\xEF\xBF\xBD\xF0\x9F\x98\x80"},
        {units({0xD83D, 0xDE00, 0xDE00}), "\xF0\x9F\x98\x80\xEF\xBF\xBD"},
        {units({0xFFFE}), "\xEF\xBF\xBE"}, // a noncharacter is still a character
    };
    for (const Case& c : cases)
        EXPECT_EQ(toUtf8(c.text), c.expected) << testing::PrintToString(c.text);
}

TEST(Utf8, BytesThatCannotStartASequence) {
    expectDecoded({
        {"\x80", units({R})},
        {"\xBF\x41", units({R, 'A'})},
        {"\x82\xA0\x82\xA2", units({R, R, R, R})},
        {"\xC0\x80", units({R, R})}, // overlong two-byte forms: C0 and C1 never lead
        {"\xC1\xBF", units({R, R})},
        {"\xF5\x80\x80\x80", units({R, R, R, R})},
        {"\xF8\x88\x80\x80\x80", units({R, R, R, R, R})},
        {"\xFC\x84\x80\x80\x80\x80", units({R, R, R, R, R, R})},
        {"\xFE\xFF", units({R, R})},
    });
}

TEST(Utf8, BadSecondByteSwallowsJustTheLeadAndThatByte) {
    expectDecoded({
        {"\xE0\x80\x80", units({R, R})}, // overlong
        {"\xE0\x9F\xBF", units({R, R})},
        {"\xF0\x80\x80\x80", units({R, R, R})},
        {"\xF0\x8F\xBF\xBF", units({R, R, R})},
        {"\xED\xA0\x80", units({R, R})}, // an encoded surrogate
        {"\xED\xBF\xBF", units({R, R})},
        {"\xED\xA0\xBD\xED\xB8\x80", units({R, R, R, R})},
        {"\xF4\x90\x80\x80", units({R, R, R})}, // beyond U+10FFFF
        {"\xF4\xBF\xBF\xBF\x41", units({R, R, R, 'A'})},
    });
}

TEST(Utf8, SequenceBrokenByAByteThatCannotContinueIt) {
    expectDecoded({
        {"\xC2\x41", units({R, 'A'})},
        {"\xC2\xC2\xA9", units({R, 0xA9})},
        {"\xE2\x82\x41", units({R, 'A'})},
        {std::string("\xE0\xC0\x00", 3), units({R, R, 0})},
        {std::string("\xE0\x20\xC0\x00", 4), units({R, ' ', R, 0})},
        {"\xE1\x80\xC0", units({R, R})},
        {"\xF0\x9F\x98\x41", units({R, 'A'})},
        {"\xF1\x80\x80\xC0", units({R, R})},
        {"\xF0\x9F\x98\xF0\x9F\x98\x80", units({R, 0xD83D, 0xDE00})},
        {"\xE2\xC2\xA9", units({R, 0xA9})},
    });
}

TEST(Utf8, SequenceCutShortByTheEnd) {
    expectDecoded({
        {"\xC2", units({R})},
        {"\xE6", units({R})},
        {"\xE2\x82", units({R})},
        {"A\xE2\x82", units({'A', R})},
        {"\xF0\x9F\x98", units({R})},
        {"\xF1\x80\x80", units({R})},
        {"\xE0\x80", units({R})},
        {"\xED\xA0", units({R})},
    });
}

// Wine 8 folds everything after a lead byte with too few bytes left into one U+FFFD, even
// bytes that cannot continue it; Windows reads them afresh like anywhere else in the text.
TEST(Utf8, ByteAfterABrokenSequenceNearTheEndIsKept) {
    if (runningUnderWine())
        GTEST_SKIP() << "Wine swallows these bytes; Windows keeps them";
    expectDecoded({
        {"A\xE2\x41", units({'A', R, 'A'})},
        {"\xF0\x9F\x41", units({R, 'A'})},
        {"\xF0\x80\x80", units({R, R})},
        {"\xF4\x90\x80", units({R, R})},
    });
}

TEST(Utf8, AnyTwoBytesDecodeToWellFormedText) {
    for (unsigned first = 0; first < 256; ++first) {
        for (unsigned second = 0; second < 256; ++second) {
            // Three more bytes, so that no lead byte lacks room for its sequence (see above).
            std::string bytes{static_cast<char>(first), static_cast<char>(second), 'z', 'z', 'z'};
            std::wstring text = fromUtf8(bytes);
            ASSERT_FALSE(text.empty());
            ASSERT_EQ(text.back(), L'z') << first << " " << second;
            ASSERT_LE(text.size(), 5u);
            // Well-formed output: it survives the way back unchanged.
            ASSERT_TRUE(fromUtf8(toUtf8(text)) == text) << first << " " << second;
        }
    }
}

} // namespace

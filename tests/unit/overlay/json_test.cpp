#include <gtest/gtest.h>

#include <climits>
#include <iterator>
#include <random>

#include "hit_rect.h"
#include "json.h"

namespace {

std::wstring units(std::initializer_list<unsigned> list) {
    std::wstring text;
    for (unsigned unit : list)
        text += static_cast<wchar_t>(unit);
    return text;
}

struct FieldCase {
    const wchar_t* message;
    const wchar_t* key;
    std::wstring expected;
};

void expectFields(const std::vector<FieldCase>& cases) {
    for (const FieldCase& c : cases)
        EXPECT_EQ(jsonField(c.message, c.key), c.expected)
            << "message " << testing::PrintToString(std::wstring(c.message)) << " key "
            << testing::PrintToString(std::wstring(c.key));
}

TEST(JsonField, StringsAndAbsentKeys) {
    expectFields({
        {LR"({"type":"ready"})", L"type", L"ready"},
        {LR"({"type":"ready"})", L"mode", L""},
        {LR"({"mode":""})", L"mode", L""},
        {LR"({"Type":"x"})", L"type", L""},          // case-sensitive
        {LR"({"a" :  "x"})", L"a", L"x"},            // white space around the colon
        {L"{\"a\":\n\t \"x\"}", L"a", L"x"},         // any white space after it
        {LR"({"":"v"})", L"", L"v"},                 // the empty key is a key too
        {L"", L"a", L""},                            // empty message
        {LR"({"a"})", L"a", L""},                    // no colon after the key
        {LR"({"a":   )", L"a", L""},                 // nothing after the colon
        {LR"({"a" "b":3})", L"a", L"3"},             // the next colon, wherever it is
        {LR"({"pad":"über 😀"})", L"pad", L"über 😀"}, // units pass through
    });
}

TEST(JsonField, NeedleIsAPlainFirstMatchSearch) {
    expectFields({
        // The needle first matches the value of "type"; the next colon follows the key.
        {LR"({"type":"mode","mode":"active"})", L"mode", L"active"},
        {LR"({"list":["k",1],"k":"v"})", L"k", L"v"},
        // A value equal to the key, with another member between: that member's value wins.
        {LR"({"x":"k","y":1,"k":2})", L"k", L"1"},
        // A key inside a nested object is found before the outer one.
        {LR"({"outer":{"type":"inner"},"type":"outer"})", L"type", L"inner"},
        // A key that is only part of a longer key or value is not the needle.
        {LR"({"types":"x","type":"y"})", L"type", L"y"},
        {LR"({"a":"typed","type":"z"})", L"type", L"z"},
    });
}

TEST(JsonField, RawValues) {
    expectFields({
        {LR"({"on":true})", L"on", L"true"},
        {LR"({"on": true})", L"on", L"true"},
        {LR"({"on": true })", L"on", L"true"}, // trailing blanks are not part of it
        {LR"({"on":1})", L"on", L"1"},
        {LR"({"on":false,"x":null})", L"x", L"null"},
        {LR"({"n":-12.5e3,"m":1})", L"n", L"-12.5e3"},
        {LR"({"n":5 ,"m":1})", L"n", L"5"},
        {LR"({"a":{"b":[1,2]},"c":2})", L"a", LR"({"b":[1,2]})"},
        {LR"({"a":{"b":[1,2]},"c":2})", L"c", L"2"},
        {LR"({"rects":[[10,20,300,40],[0,0,5,5]]})", L"rects", LR"([[10,20,300,40],[0,0,5,5]])"},
        {LR"({"a":[]})", L"a", L"[]"},
        {LR"({"a":})", L"a", L""},
        {LR"({"n":42)", L"n", L"42"},           // runs to the end of the message
        {LR"({"a":[1,[2,3)", L"a", L"[1,[2,3"}, // an unclosed array too
        // Brackets inside strings count like any other.
        {LR"({"a":["]",1],"b":2})", L"a", LR"(["])"},
        {LR"({"a":[1,"[",2],"b":3})", L"a", LR"([1,"[",2],"b":3})"},
    });
}

TEST(JsonField, StringEscapes) {
    expectFields({
        {LR"({"s":"a\nb\rc\td\be\ff"})", L"s", L"a\nb\rc\td\be\ff"},
        {LR"({"s":"q\"b\\s\/x\q"})", L"s", L"q\"b\\s/xq"},
        {LR"({"s":"\u00e9"})", L"s", L"\u00e9"},
        {LR"({"s":"\u00C9\u0041"})", L"s", L"\u00c9A"},
        {LR"({"s":"\ud83d\ude00!"})", L"s", units({0xD83D, 0xDE00, '!'})},
        {LR"({"s":"\udc00\ud800"})", L"s", units({0xDC00, 0xD800})}, // not checked for pairing
        {LR"({"s":"\u0000x"})", L"s", units({0, 'x'})},
        // Four units read as wcstol reads them: it stops at the first non-hex unit.
        {LR"({"s":"\u00zzA"})", L"s", units({0, 'A'})},
        {LR"({"s":"\u+041"})", L"s", L"A"},
        {LR"({"s":"\u-001"})", L"s", units({0xFFFF})},
        // An escaped quote does not end the string; a plain one does.
        {LR"({"s":"say \"hi\"","t":1})", L"s", L"say \"hi\""},
    });
}

TEST(JsonField, BrokenStringsNearTheEnd) {
    expectFields({
        {LR"({"s":"abc)", L"s", L"abc"},         // unterminated: runs to the end
        {LR"({"s":")", L"s", L""},               // nothing at all after the quote
        {LR"({"s":"ab\)", L"s", L"ab\\"},        // a final backslash stays one
        {LR"({"s":"ab\")", L"s", L"ab\""},       // an escaped quote at the very end
        {LR"({"s":"\u12)", L"s", L"u12"},        // fewer than four units after \u
        {LR"({"s":"\u)", L"s", L"u"},            // \u as the last units
        {LR"({"s":"\u0041)", L"s", L"A"},        // exactly four units left
        {LR"({"s":"\u123"})", L"s", L"\u0123}"}, // four units that swallow the closing quote
    });
}

TEST(JsonField, EveryPrefixOfAMessageIsSafe) {
    const std::wstring message =
        LR"({"type":"file","name":"vyr_pad.json","ok":true,"text":"a\"b\\c\u00e9\ud83d\ude00",)"
        LR"("rects":[[1,2,3,4],{"x":[5]}],"n":-1.5})";
    const wchar_t* keys[] = {L"type", L"name", L"ok", L"text", L"rects", L"n", L"x", L""};
    for (size_t length = 0; length <= message.size(); ++length) {
        std::wstring prefix = message.substr(0, length);
        for (const wchar_t* key : keys) {
            std::wstring value = jsonField(prefix, key);
            EXPECT_LE(value.size(), prefix.size());
        }
        parseRects(prefix);
    }
    EXPECT_EQ(jsonField(message, L"text"), units({'a', '"', 'b', '\\', 'c', 0xE9, 0xD83D, 0xDE00}));
    EXPECT_EQ(jsonField(message, L"n"), L"-1.5");
    EXPECT_EQ(jsonField(message, L"x"), L"[5]");
}

TEST(JsonField, RandomTextNeverCrashes) {
    const wchar_t alphabet[] = L"\"\\:,{}[] u0aF9-.\t\xD800";
    std::mt19937 random(12345);
    std::uniform_int_distribution<size_t> pick(0, std::size(alphabet) - 2);
    std::uniform_int_distribution<size_t> length(0, 24);
    for (int round = 0; round < 20000; ++round) {
        std::wstring text;
        for (size_t i = length(random); i > 0; --i)
            text += alphabet[pick(random)];
        jsonField(text, L"a");
        jsonField(text, L"u");
        jsonField(text, L"");
        parseRects(text);
    }
}

TEST(JsonEscape, EachUnitOnItsOwn) {
    struct Case {
        std::wstring input;
        std::wstring expected;
    } cases[] = {
        {L"", L""},
        {L"a\"b", L"a\\\"b"},
        {L"back\\slash", L"back\\\\slash"},
        {L"\n\r\t", L"\\n\\r\\t"},
        {units({0x1F}), L"\\u001f"},
        {units({0x08, 0x0C, 0x00, 0x01, 0x1B}), L"\\u0008\\u000c\\u0000\\u0001\\u001b"},
        {L"\u00e9", L"\u00e9"},
        {L"a/b", L"a/b"},
        {units({0x7F, 0x20, 0xFFFF}), units({0x7F, 0x20, 0xFFFF})},
        {units({0xD800, 'x', 0xDE00}), units({0xD800, 'x', 0xDE00})}, // lone surrogates
        {units({0xD83D, 0xDE00}), units({0xD83D, 0xDE00})},
    };
    for (const Case& c : cases)
        EXPECT_EQ(jsonEscape(c.input), c.expected) << testing::PrintToString(c.input);
}

TEST(JsonEscape, EveryUnitSurvivesAWriteAndARead) {
    std::wstring all;
    for (unsigned unit = 0; unit <= 0xFFFF; ++unit)
        all += static_cast<wchar_t>(unit);
    EXPECT_EQ(jsonField(L"{\"k\":\"" + jsonEscape(all) + L"\"}", L"k"), all);
}

TEST(ParseRects, GroupsOfFourNumbers) {
    const std::vector<HitRect> two = {{10, 20, 300, 40}, {0, 0, 5, 5}};
    EXPECT_EQ(parseRects(L"[[10,20,300,40],[0,0,5,5]]"), two);
    EXPECT_EQ(parseRects(L"[10,20,300,40,0,0,5,5]"), two);
    EXPECT_EQ(parseRects(L"10 20 300 40 0 0 5 5"), two); // a number at the very end counts
    EXPECT_EQ(parseRects(L"{\"x\":10}20;300\n40|0x0 5 5"), two);
    EXPECT_EQ(parseRects(L""), std::vector<HitRect>{});
    EXPECT_EQ(parseRects(L"[]"), std::vector<HitRect>{});
    EXPECT_EQ(parseRects(L"[1,2,3]"), std::vector<HitRect>{});
    EXPECT_EQ(parseRects(L"[1.9,-2.7,3,4,5]"), (std::vector<HitRect>{{1, -2, 3, 4}}));
}

TEST(ParseRects, OddTokens) {
    struct Case {
        const wchar_t* text;
        HitRect expected;
    } cases[] = {
        {L"1e3 5 6", {1, 3, 5, 6}},      // e is no token unit
        {L"+5 -0.9 .5 -", {5, 0, 0, 0}}, // neither is +; a lone - reads as 0
        {L". -- 7 8", {0, 0, 7, 8}},
        {L"1.2.3 1-2 9. -.75", {1, 1, 9, 0}}, // the longest leading number
        {L"0012 -0 00.9 3", {12, 0, 0, 3}},
        {L"\u0661\u0662 1 2 3 4", {1, 2, 3, 4}}, // only ASCII digits
    };
    for (const Case& c : cases)
        EXPECT_EQ(parseRects(c.text), std::vector<HitRect>{c.expected})
            << testing::PrintToString(std::wstring(c.text));
}

TEST(ParseRects, NumbersBeyondThirtyTwoBitsAreHeldAtTheLimit) {
    EXPECT_EQ(parseRects(L"[2147483647,-2147483648,2147483647.9,-2147483648.9]"),
              (std::vector<HitRect>{{INT_MAX, INT_MIN, INT_MAX, INT_MIN}}));
    EXPECT_EQ(parseRects(L"[99999999999,-99999999999,4294967296,4294967295]"),
              (std::vector<HitRect>{{INT_MAX, INT_MIN, INT_MAX, INT_MAX}}));
    std::wstring huge(400, L'9'); // beyond any double
    EXPECT_EQ(parseRects(huge + L",-" + huge + L",1,2"),
              (std::vector<HitRect>{{INT_MAX, INT_MIN, 1, 2}}));
}

} // namespace

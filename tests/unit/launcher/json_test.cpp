#include <gtest/gtest.h>

#include "json.h"

namespace {

struct Lookup {
    const char* text;
    const char* key;
    std::string expected;
};

TEST(JsonGetValue, TableOfMemberShapes) {
    const Lookup cases[] = {
        {R"({"server":"vyr.example.net"})", "server", "vyr.example.net"},
        {R"({"a":1,"server" : "x"})", "server", "x"},
        {R"({"server"   :   "x"})", "server", "x"},
        {"{\"server\"\t:\"x\"}", "server", ""},
        {"{\"server\":\t\"x\"}", "server", ""},
        {"{\"server\"\n:\"x\"}", "server", ""},
        {"{\"server\":\r\n\"x\"}", "server", ""},
        {R"({"a":{"server":"x"}})", "server", "x"},
        {R"({"exit":3})", "exit", ""},
        {R"({"v":null})", "v", ""},
        {R"({"v":{"w":"x"}})", "v", ""},
        {R"({"v":["x"]})", "v", ""},
        {R"({"v":true})", "v", "true"},
        {R"({"v":false})", "v", "false"},
        {R"({"v": true })", "v", "true"},
        {R"({"v":trueish})", "v", "true"},
        {R"({"v":falsetto})", "v", "false"},
        {R"({"v":tru})", "v", ""},
        {R"({"v":"true"})", "v", "true"},
        {R"({"v":""})", "v", ""},
        {R"({"v":)", "v", ""},
        {R"({"v")", "v", ""},
        {R"({"v":   )", "v", ""},
        {"", "v", ""},
        {R"({"other":"x"})", "v", ""},
        {R"({"V":"x"})", "v", ""},
        {R"({"vv":"x"})", "v", ""},
    };
    for (const Lookup& c : cases)
        EXPECT_EQ(jsonGetValue(c.text, c.key), c.expected) << c.text;
}

TEST(JsonGetValue, KeyStandingOnlyAsAValueIsSkippedUntilAMember) {
    EXPECT_EQ(jsonGetValue(R"({"cmd":"server"})", "server"), "");
    EXPECT_EQ(jsonGetValue(R"({"cmd":"server","server":"h"})", "server"), "h");
    EXPECT_EQ(jsonGetValue(R"(["server", "server" ,"server" : "third"])", "server"), "third");
    // The first member wins, even a nested one.
    EXPECT_EQ(jsonGetValue(R"({"x":{"k":"inner"},"k":"outer"})", "k"), "inner");
}

TEST(JsonGetValue, SimpleEscapesAreUndone) {
    EXPECT_EQ(jsonGetValue(R"({"v":"a\bb\fc\nd\re\tf"})", "v"), "a\bb\fc\nd\re\tf");
    EXPECT_EQ(jsonGetValue(R"({"v":"q\"q"})", "v"), "q\"q");
    EXPECT_EQ(jsonGetValue(R"({"v":"C:\\Games\\Cindergale"})", "v"), "C:\\Games\\Cindergale");
    EXPECT_EQ(jsonGetValue(R"({"v":"a\/b"})", "v"), "a/b");
    EXPECT_EQ(jsonGetValue(R"({"v":"\x\q"})", "v"), "xq");
    EXPECT_EQ(jsonGetValue("{\"v\":\"caf\xc3\xa9\"}", "v"), "caf\xc3\xa9");
}

TEST(JsonGetValue, UnicodeEscapesBecomeUtf8) {
    EXPECT_EQ(jsonGetValue(R"({"v":"\u0041"})", "v"), "A");
    EXPECT_EQ(jsonGetValue(R"({"v":"\u00e9"})", "v"), "\xC3\xA9");
    EXPECT_EQ(jsonGetValue(R"({"v":"\u00E9"})", "v"), "\xC3\xA9");
    EXPECT_EQ(jsonGetValue(R"({"v":"\u07ff\u0800"})", "v"), "\xDF\xBF\xE0\xA0\x80");
    EXPECT_EQ(jsonGetValue(R"({"v":"\u20ac"})", "v"), "\xE2\x82\xAC");
    EXPECT_EQ(jsonGetValue(R"({"v":"\uffff"})", "v"), "\xEF\xBF\xBF");
    EXPECT_EQ(jsonGetValue(R"({"v":"\ud83d\ude00"})", "v"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(jsonGetValue(R"({"v":"\udbff\udfff"})", "v"), "\xF4\x8F\xBF\xBF");
}

TEST(JsonGetValue, LoneSurrogatesAreWrittenAsThreeBytes) {
    EXPECT_EQ(jsonGetValue(R"({"v":"\ud83d"})", "v"), "\xED\xA0\xBD");
    EXPECT_EQ(jsonGetValue(R"({"v":"\ude00"})", "v"), "\xED\xB8\x80");
    EXPECT_EQ(jsonGetValue(R"({"v":"\ud83dx"})", "v"), "\xED\xA0\xBDx");
    // A high surrogate followed by an escape that is no low surrogate stays alone.
    EXPECT_EQ(jsonGetValue(R"({"v":"\ud83d\u0041"})", "v"), "\xED\xA0\xBD"
                                                            "A");
    EXPECT_EQ(jsonGetValue(R"({"v":"\ud83d\ud83d\ude00"})", "v"), "\xED\xA0\xBD\xF0\x9F\x98\x80");
    // Low before high is two lone surrogates.
    EXPECT_EQ(jsonGetValue(R"({"v":"\ude00\ud83d"})", "v"), "\xED\xB8\x80\xED\xA0\xBD");
}

TEST(JsonGetValue, HexReadingStopsAtTheFirstNonDigit) {
    // Four characters are consumed; their value is that of the leading digits.
    EXPECT_EQ(jsonGetValue(R"({"v":"\u4zzzB"})", "v"), std::string("\x04"
                                                                   "B"));
    EXPECT_EQ(jsonGetValue(R"({"v":"\uzzzzB"})", "v"), std::string("\0B", 2));
    // The closing quote is one of the four characters, so the string runs on to the end.
    EXPECT_EQ(jsonGetValue(R"({"v":"\u41"})", "v"), "A");
}

TEST(JsonGetValue, TextEndingInsideAString) {
    EXPECT_EQ(jsonGetValue(R"({"v":"unclosed)", "v"), "unclosed");
    EXPECT_EQ(jsonGetValue(R"({"v":")", "v"), "");
    // A backslash as the very last byte is copied.
    EXPECT_EQ(jsonGetValue("{\"v\":\"ab\\", "v"), "ab\\");
    // A \u escape with fewer than four characters left ends the string before it.
    EXPECT_EQ(jsonGetValue(R"({"v":"ab\u00e)", "v"), "ab");
    EXPECT_EQ(jsonGetValue(R"({"v":"ab\u)", "v"), "ab");
    EXPECT_EQ(jsonGetValue(R"({"v":"ab\u00e9)", "v"), "ab\xC3\xA9");
    // A high surrogate whose partner is cut short is written alone, then the string ends.
    EXPECT_EQ(jsonGetValue(R"({"v":"\ud83d\ude0)", "v"), "\xED\xA0\xBD");
}

TEST(JsonGetValue, EveryPrefixOfAMessageIsHandled) {
    const std::string message =
        R"({"cmd":"act","action":"rookmere","game":"C:\\G\u00e9","keepSha":"\ud83d\ude00",)"
        R"("rookmereDownload":true,"x":{"y":[1,2]},"z":"\\"})";
    for (size_t n = 0; n <= message.size(); ++n) {
        std::string part = message.substr(0, n);
        for (const char* key : {"cmd", "action", "game", "keepSha", "rookmereDownload", "z", "y"})
            (void)jsonGetValue(part, key);
    }
    EXPECT_EQ(jsonGetValue(message, "game"), "C:\\G\xC3\xA9");
    EXPECT_EQ(jsonGetValue(message, "rookmereDownload"), "true");
    EXPECT_EQ(jsonGetValue(message, "z"), "\\");
}

TEST(JsonQuote, EscapesOnlyWhatItMust) {
    EXPECT_EQ(jsonQuote(""), "\"\"");
    EXPECT_EQ(jsonQuote("plain text"), "\"plain text\"");
    EXPECT_EQ(jsonQuote("a\tb\"c\x01"), "\"a\\tb\\\"c\\u0001\"");
    EXPECT_EQ(jsonQuote("\n\r\\"), "\"\\n\\r\\\\\"");
    EXPECT_EQ(jsonQuote("\x08\x0C\x1F"), "\"\\u0008\\u000c\\u001f\"");
    EXPECT_EQ(jsonQuote(std::string("\0", 1)), "\"\\u0000\"");
    EXPECT_EQ(jsonQuote("caf\xC3\xA9 \xF0\x9F\x98\x80"), "\"caf\xC3\xA9 \xF0\x9F\x98\x80\"");
    EXPECT_EQ(jsonQuote("\x7F/\x80\xFF"), "\"\x7F/\x80\xFF\"");
}

// Plain runs are copied whole between escapes: escapes first, last, back to back and alone
// must neither lose nor repeat a byte at a run's edge.
TEST(JsonQuote, AppendedAfterTextKeepsEveryByteAroundTheEscapes) {
    std::string out = "{\"raw\":";
    appendJsonQuoted(out, "\"ab\\\\cd\n");
    EXPECT_EQ(out, "{\"raw\":\"\\\"ab\\\\\\\\cd\\n\"");
    out.clear();
    appendJsonQuoted(out, "x");
    appendJsonQuoted(out, "");
    EXPECT_EQ(out, "\"x\"\"\"");
    std::string big(100000, 'a');
    big[0] = '\t';
    big[50000] = '"';
    big[99999] = '\x1F';
    std::string expected =
        "\"\\t" + std::string(49999, 'a') + "\\\"" + std::string(49998, 'a') + "\\u001f\"";
    EXPECT_EQ(jsonQuote(big), expected);
}

TEST(JsonQuote, RoundTripsThroughTheReader) {
    const std::string texts[] = {"C:\\Games\\Cindergale", "line one\r\nline two", "tab\there",
                                 "quote \" inside",       "\x01\x02\x1F",         "caf\xC3\xA9"};
    for (const std::string& text : texts)
        EXPECT_EQ(jsonGetValue("{\"k\":" + jsonQuote(text) + "}", "k"), text);
}

TEST(JsonQuoteWide, ConvertsToUtf8First) {
    EXPECT_EQ(jsonQuoteWide(L"C:\\Spiele\\M\u00fcller"), "\"C:\\\\Spiele\\\\M\xC3\xBCller\"");
    EXPECT_EQ(jsonQuoteWide(L""), "\"\"");
    EXPECT_EQ(jsonQuoteWide(std::wstring{0xD83D, 0xDE00}), "\"\xF0\x9F\x98\x80\"");
}

} // namespace

#include <gtest/gtest.h>

#include "vyro_datagram.h"

namespace {

TEST(VyroDatagram, OverlayTextIsWhatFollowsTheMagic) {
    std::string text;
    EXPECT_TRUE(overlayText("VYRO state active", text));
    EXPECT_EQ(text, "state active");
    EXPECT_TRUE(overlayText("VYRO game open_map north gate", text));
    EXPECT_EQ(text, "game open_map north gate");
    EXPECT_TRUE(overlayText("VYRO ", text));
    EXPECT_EQ(text, "");
    for (const char* other : {"VYRO", "VYROstate", "vyro state", "", "XYRO state"})
        EXPECT_FALSE(overlayText(other, text)) << other;
}

TEST(VyroDatagram, PrintableLineKeepsOneDatagramOnOneLine) {
    EXPECT_EQ(printableLine("state active"), "state active");
    EXPECT_EQ(printableLine("game say a\nb"), "game say a\\nb");
    EXPECT_EQ(printableLine("a\r\tb\\c"), "a\\r\\tb\\\\c");
    EXPECT_EQ(printableLine(std::string("a\0b\x1b\x7f", 5)), "a\\x00b\\x1B\\x7F");
    EXPECT_EQ(printableLine("\xc3\xa9t\xc3\xa9"), "\xc3\xa9t\xc3\xa9");
}

TEST(VyroDatagram, JsonValues) {
    for (const char* good :
         {"0", "-0", "1.5", "-1.5e+3", "2E-2", "\"\"", "\"a\\\"b\\\\c\\/\\b\\f\\n\\r\\t\"",
          "\"\\u00e9\\uD83D\\uDE00\"", "\"\xc3\xa9\"", "true", "false", "null", "[]", "{}",
          " [ 1 , \"x\" , { \"k\" : [ null ] } ] ", "{\"a\":{\"b\":{\"c\":[true,false]}}}"}) {
        EXPECT_TRUE(isJsonValue(good)) << good;
    }
    for (const char* bad :
         {"",     " ",    "hi",       "'hi'",       "\"open",  "\"a\nb\"", "\"\\x\"", "\"\\u12\"",
          "01",   "1.",   ".5",       "+1",         "1e",      "-",        "tru",     "nulls",
          "[1,]", "[,1]", "{\"a\"}",  "{\"a\":1,}", "{a:1}",   "[1 2]",    "{} {}",   "1 2",
          "[",    "]",    "{\"a\":1", "NaN",        "Infinity"}) {
        EXPECT_FALSE(isJsonValue(bad)) << bad;
    }
}

TEST(VyroDatagram, DeepNestingIsRefusedNotACrash) {
    EXPECT_TRUE(isJsonValue(std::string(200, '[') + std::string(200, ']')));
    EXPECT_FALSE(isJsonValue(std::string(100000, '[') + std::string(100000, ']')));
}

TEST(VyroDatagram, JsonObjects) {
    EXPECT_TRUE(isJsonObject("{\"type\":\"show\",\"pad\":\"x\"}"));
    EXPECT_TRUE(isJsonObject("\n{}\n"));
    EXPECT_FALSE(isJsonObject("[]"));
    EXPECT_FALSE(isJsonObject("\"{}\""));
    EXPECT_FALSE(isJsonObject("{"));
    EXPECT_FALSE(isJsonObject(""));
}

} // namespace

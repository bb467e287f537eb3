#include <gtest/gtest.h>

#include <cstdarg>

#include "log_format.h"

namespace {

std::string message(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = formatLogMessage(format, args);
    va_end(args);
    return text;
}

TEST(LogLine, LayoutIsTagTimeMessage) {
    EXPECT_EQ(formatLogLine(9, 5, 7, "hello"), "[vyr-overlay] 09:05:07 hello\n");
    EXPECT_EQ(formatLogLine(21, 0, 0, "x"), "[vyr-overlay] 21:00:00 x\n");
    EXPECT_EQ(formatLogLine(0, 0, 0, ""), "[vyr-overlay] 00:00:00 \n");
    EXPECT_EQ(formatLogLine(23, 59, 59, "a b"), "[vyr-overlay] 23:59:59 a b\n");
}

TEST(LogLine, MessageIsFormattedPrintfStyle) {
    EXPECT_EQ(message("port %d is taken", 47632), "port 47632 is taken");
    EXPECT_EQ(message("%s and %lu", "text", 12ul), "text and 12");
    EXPECT_EQ(message("100%%"), "100%");
}

TEST(LogLine, LongMessageIsCutTo2047Bytes) {
    std::string big(3000, 'a');
    big[2046] = 'Y';
    big[2047] = 'Z';
    std::string cut = message("%s", big.c_str());
    ASSERT_EQ(cut.size(), 2047u);
    EXPECT_EQ(cut.back(), 'Y');
    EXPECT_EQ(formatLogLine(1, 2, 3, cut), "[vyr-overlay] 01:02:03 " + cut + "\n");

    EXPECT_EQ(message("%s", std::string(2047, 'b').c_str()).size(), 2047u);
    EXPECT_EQ(message("%s", std::string(2046, 'b').c_str()).size(), 2046u);
}

TEST(LogLine, UtfTextPassesThroughAsBytes) {
    EXPECT_EQ(message("web %s", "C:\\Spiele\\M\xc3\xbc"
                                "ller"),
              "web C:\\Spiele\\M\xc3\xbcller");
}

} // namespace

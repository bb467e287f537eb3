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

TEST(LauncherLogLine, LayoutIsTimeWithMillisecondsThenTextThenCrLf) {
    EXPECT_EQ(formatLogLine(7, 5, 9, 4, "hello"), "07:05:09.004 hello\r\n");
    EXPECT_EQ(formatLogLine(23, 59, 59, 999, "x"), "23:59:59.999 x\r\n");
    EXPECT_EQ(formatLogLine(0, 0, 0, 0, ""), "00:00:00.000 \r\n");
    EXPECT_EQ(formatLogLine(12, 30, 0, 50, "exit"), "12:30:00.050 exit\r\n");
}

TEST(LauncherLogLine, TextIsFormattedPrintfStyle) {
    EXPECT_EQ(message("WebView2 controller failed: 0x%08lx", 0x80004005ul),
              "WebView2 controller failed: 0x80004005");
    EXPECT_EQ(message("status: %u bytes in %lu ms", 12u, 340ul), "status: 12 bytes in 340 ms");
    EXPECT_EQ(message("100%%"), "100%");
}

TEST(LauncherLogLine, LongTextIsCutTo2047BytesAndStillEndsInCrLf) {
    std::string big(5000, 'a');
    big[2046] = 'Y';
    big[2047] = 'Z';
    std::string cut = message("%s", big.c_str());
    ASSERT_EQ(cut.size(), 2047u);
    EXPECT_EQ(cut.back(), 'Y');
    std::string line = formatLogLine(1, 2, 3, 4, cut);
    EXPECT_EQ(line.size(), 13u + 2047u + 2u);
    EXPECT_EQ(line.substr(line.size() - 3), "Y\r\n");
    EXPECT_EQ(message("%s", std::string(2047, 'b').c_str()).size(), 2047u);
    EXPECT_EQ(message("%s", std::string(2046, 'b').c_str()).size(), 2046u);
}

TEST(LauncherLogLine, Utf8PassesThroughAsBytes) {
    EXPECT_EQ(message("kit %s", "C:\\Spiele\\M\xc3\xbcller"), "kit C:\\Spiele\\M\xc3\xbcller");
}

} // namespace

#include <gtest/gtest.h>

#include "status_output.h"

namespace {

TEST(StatusOutput, RawStartsAtTheFirstLeftBrace) {
    EXPECT_EQ(rawStatus("WARNING: old module\r\n{\"a\":{\"b\":1}}\r\n"), "{\"a\":{\"b\":1}}\r\n");
    EXPECT_EQ(rawStatus("{}"), "{}");
    EXPECT_EQ(rawStatus("x}{"), "{");
}

TEST(StatusOutput, NoBraceOrNoOutputGivesEmptyRaw) {
    EXPECT_EQ(rawStatus(""), "");
    EXPECT_EQ(rawStatus("Error: the term is not recognised\r\n"), "");
    EXPECT_EQ(rawStatusStart(""), 0u);
    EXPECT_EQ(rawStatusStart("no brace"), 8u);
}

// The query quotes the raw status straight from its output, without cutting a copy first.
TEST(StatusOutput, ReplyFromTheOutputItselfIsTheReplyFromTheCutRaw) {
    const std::string outputs[] = {"WARNING: x\r\n{\"a\":\"\\\\\"}\r\n", "{}", "none", "",
                                   std::string(70000, 'w') + "{" + std::string(70000, '"')};
    for (const std::string& output : outputs)
        EXPECT_EQ(statusReply(std::string_view(output).substr(rawStatusStart(output)), true),
                  statusReply(rawStatus(output), true));
    EXPECT_EQ(statusReply(std::string_view("x{\"k\":1}").substr(1), true),
              R"~({"type":"status","raw":"{\"k\":1}"})~");
}

TEST(StatusOutput, ReplyCarriesRawAsAString) {
    EXPECT_EQ(statusReply("{\"ok\":true,\"path\":\"C:\\\\x\"}\r\n", true),
              R"~({"type":"status","raw":"{\"ok\":true,\"path\":\"C:\\\\x\"}\r\n"})~");
    EXPECT_EQ(statusReply("{\"\x01\tn\xC3\xA9\"}", true),
              "{\"type\":\"status\",\"raw\":\"{\\\"\\u0001\\tn\xC3\xA9\\\"}\"}");
    EXPECT_EQ(statusReply("", true), R"~({"type":"status","raw":""})~");
}

TEST(StatusOutput, ReplyNamesWhyWhenPowershellDidNotStart) {
    EXPECT_EQ(statusReply("", false),
              R"~({"type":"status","raw":"","why":"Windows PowerShell could not be started"})~");
}

TEST(StatusOutput, LogLine) {
    EXPECT_EQ(statusLogLine(0, 0), "status: 0 bytes in 0 ms");
    EXPECT_EQ(statusLogLine(70000, 1234), "status: 70000 bytes in 1234 ms");
}

} // namespace

#include <gtest/gtest.h>

#include "action_replies.h"

namespace {

TEST(ActionReplies, LogLineIsQuoted) {
    EXPECT_EQ(actionLogReply("Copying \"a\\b\"\r\x1F n\xC3\xA9"),
              "{\"type\":\"log\",\"line\":\"Copying \\\"a\\\\b\\\"\\r\\u001f n\xC3\xA9\"}");
    EXPECT_EQ(actionLogReply(""), R"~({"type":"log","line":""})~");
}

TEST(ActionReplies, DoneCarriesExitAndRawWithoutOk) {
    EXPECT_EQ(actionDoneReply(L"install", 0, "{\"ok\":true}\n"),
              R"~({"type":"done","action":"install","exit":0,"raw":"{\"ok\":true}\n"})~");
    EXPECT_EQ(actionDoneReply(L"repair", 3221225477u, ""),
              R"~({"type":"done","action":"repair","exit":3221225477,"raw":""})~");
}

TEST(ActionReplies, NotStartedNamesTheReason) {
    EXPECT_EQ(actionNotStartedReply(L"install", 1223),
              R"~({"type":"done","ok":false,"action":"install","why":"cancelled"})~");
    EXPECT_EQ(
        actionNotStartedReply(L"uninstall", 2),
        R"~({"type":"done","ok":false,"action":"uninstall","why":"it could not be started (error 2)"})~");
    EXPECT_EQ(notStartedReason(0), "it could not be started (error 0)");
}

TEST(ActionReplies, LogLines) {
    EXPECT_EQ(actionStartLogLine(L"install", L"-NoProfile -Action install -Kit \"C:\\K \u00e9\""),
              "action install: -NoProfile -Action install -Kit \"C:\\K \xC3\xA9\"");
    EXPECT_EQ(actionEndLogLine(L"repair", 4294967295u, 17),
              "action repair: exit 4294967295, result 17 bytes");
    EXPECT_EQ(actionNotStartedLogLine(L"install", 1223), "action install: not started (1223)");
}

} // namespace

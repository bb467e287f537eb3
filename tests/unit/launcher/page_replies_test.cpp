#include <gtest/gtest.h>

#include "page_replies.h"

namespace {

TEST(PageReplies, HelloCarriesVersionKitServerAndSandbox) {
    EXPECT_EQ(helloReply("1.0 (2026-10-13)", L"C:\\Games\\Cindergale", "vyr.example.net", false),
              R"~({"type":"hello","version":"1.0 (2026-10-13)","kit":"C:\\Games\\Cindergale",)~"
              R"~("server":"vyr.example.net","sandbox":false})~");
    EXPECT_EQ(helloReply("v", L"C:\\M\u00fcller \"x\"", "", true),
              "{\"type\":\"hello\",\"version\":\"v\",\"kit\":\"C:\\\\M\xC3\xBCller \\\"x\\\"\","
              "\"server\":\"\",\"sandbox\":true}");
}

TEST(PageReplies, PlayedAndPicked) {
    EXPECT_EQ(playedReply(true), R"~({"type":"played","ok":true})~");
    EXPECT_EQ(playedReply(false), R"~({"type":"played","ok":false})~");
    EXPECT_EQ(pickedReply(L""), R"~({"type":"picked","path":""})~");
    EXPECT_EQ(pickedReply(L"C:\\Users\\p\\Downloads\\rookmere.zip"),
              R"~({"type":"picked","path":"C:\\Users\\p\\Downloads\\rookmere.zip"})~");
}

TEST(PageReplies, RefusalsAreDoneMessagesWithOkFalse) {
    EXPECT_EQ(actionRefusal(kGameFolderNotFound),
              R"~({"type":"done","ok":false,"why":"the game folder was not found"})~");
    EXPECT_EQ(actionRefusal(kNoRookmereKitChosen),
              R"~({"type":"done","ok":false,"why":"no Rookmere kit was chosen"})~");
    EXPECT_EQ(actionRefusal(kActionStillRunning),
              R"~({"type":"done","ok":false,"why":"another action is still running"})~");
}

TEST(PageReplies, WorkersThatCannotStartStillAnswer) {
    EXPECT_EQ(
        statusWorkerFailedReply(),
        R"~({"type":"status","raw":"","why":"the status query could not be started (no worker thread)"})~");
    EXPECT_EQ(
        serverWorkerFailedReply(),
        R"~({"type":"server","ok":false,"why":"the server check could not be started (no worker thread)"})~");
}

} // namespace

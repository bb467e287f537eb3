#include <gtest/gtest.h>

#include "server_replies.h"

namespace {

TEST(ServerReplies, BothDocuments) {
    EXPECT_EQ(serverReply(42, {200, "{\"up\":true}"}, {200, "m"}),
              R"~({"type":"server","ok":true,"ms":42,"status":"{\"up\":true}","manifest":"m"})~");
}

TEST(ServerReplies, OnlyTheManifestAnswered) {
    EXPECT_EQ(
        serverReply(7, {404, "not here"}, {200, "m\xC3\xA9"}),
        "{\"type\":\"server\",\"ok\":true,\"ms\":7,\"status\":\"\",\"manifest\":\"m\xC3\xA9\"}");
}

TEST(ServerReplies, NothingAnswered200) {
    EXPECT_EQ(serverReply(12003, {0, ""}, {500, "oops"}),
              R"~({"type":"server","ok":false,"ms":12003,"status":"","manifest":""})~");
}

TEST(ServerReplies, BodiesAreQuoted) {
    EXPECT_EQ(serverReply(1, {200, "\"\\\n\x02"}, {0, ""}),
              R"~({"type":"server","ok":true,"ms":1,"status":"\"\\\n\u0002","manifest":""})~");
}

TEST(ServerReplies, NoServer) {
    EXPECT_EQ(noServerReply(),
              R"~({"type":"server","ok":false,"why":"no server in launcher.json"})~");
}

TEST(ServerReplies, LogLineCountsTheManifestReadWhateverItsStatus) {
    EXPECT_EQ(serverLogLine("vyr.example.net", {200, "abc"}, {404, "not found"}, 35),
              "server vyr.example.net: status 200, manifest 404 (9 bytes), 35 ms");
    EXPECT_EQ(serverLogLine("127.0.0.1", {}, {}, 12000),
              "server 127.0.0.1: status 0, manifest 0 (0 bytes), 12000 ms");
}

TEST(ServerReplies, BodyStopsOnceBeyondSixteenMebibytes) {
    EXPECT_FALSE(documentIsComplete(std::string(16777216, 'x')));
    EXPECT_TRUE(documentIsComplete(std::string(16777217, 'x')));
    EXPECT_STREQ(kStatusDocumentPath, "/vyr/status");
    EXPECT_STREQ(kManifestDocumentPath, "/vyr/update/pc/manifest");
    EXPECT_STREQ(kServerUserAgent, "VYR-Ferrowake-Launcher/1.0");
}

} // namespace

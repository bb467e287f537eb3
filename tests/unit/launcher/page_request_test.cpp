#include <gtest/gtest.h>

#include <set>
#include <thread>
#include <vector>

#include "page_replies.h"
#include "page_request.h"

namespace {

const std::string kSha(64, 'a');
const char* const kNotFound =
    R"~({"type":"done","ok":false,"why":"the game folder was not found"})~";
const char* const kNoKit = R"~({"type":"done","ok":false,"why":"no Rookmere kit was chosen"})~";

// A small disk: a game folder with its patch folder, a kit folder and a kit zip. Relative
// paths resolve against C:\Work, as fullPath would there.
FileSystemView fakeFiles() {
    FileSystemView files;
    files.fullPath = [](const std::wstring& path) {
        if (path.empty())
            return path;
        std::wstring full = path.size() > 1 && path[1] == L':' ? path : L"C:\\Work\\" + path;
        while (full.size() > 3 && (full.back() == L'\\' || full.back() == L'/'))
            full.pop_back();
        return full;
    };
    files.kindOf = [](const std::wstring& path) {
        static const std::set<std::wstring> folders = {
            L"C:\\Game",
            L"C:\\Game\\package\\patch_npk",
            L"C:\\Work\\Game",
            L"C:\\Work\\Game\\package\\patch_npk",
            L"C:\\Half",
            L"C:\\Rookmere",
            L"C:\\Spiele\\M\u00fcller",
            L"C:\\Spiele\\M\u00fcller\\package\\patch_npk",
            L"C:\\Odd\\package\\patch_npk",
            L"C:\\%COMSPEC%.exe"};
        static const std::set<std::wstring> files = {L"C:\\kit.zip", L"C:\\Odd"};
        if (folders.count(path))
            return PathKind::folder;
        if (files.count(path))
            return PathKind::file;
        return PathKind::missing;
    };
    return files;
}

ActDecision act(const std::string& members, const std::wstring& gameOption = L"") {
    return decideAct("{\"cmd\":\"act\"," + members + "}", gameOption, fakeFiles());
}

TEST(PageCommand, ExactNamesOnly) {
    EXPECT_EQ(pageCommand(R"~({"cmd":"hello"})~"), PageCommand::hello);
    EXPECT_EQ(pageCommand(R"~({"cmd":"status","keepSha":""})~"), PageCommand::status);
    EXPECT_EQ(pageCommand(R"~({"cmd":"server"})~"), PageCommand::server);
    EXPECT_EQ(pageCommand(R"~({"cmd":"act"})~"), PageCommand::act);
    EXPECT_EQ(pageCommand(R"~({"cmd":"play"})~"), PageCommand::play);
    EXPECT_EQ(pageCommand(R"~({"cmd":"pickzip"})~"), PageCommand::pickzip);
    EXPECT_EQ(pageCommand(R"~({"cmd" : "folder","path":"C:\\"})~"), PageCommand::folder);
    EXPECT_EQ(pageCommand(R"~({"cmd":"Hello"})~"), PageCommand::none);
    EXPECT_EQ(pageCommand(R"~({"cmd":"hello "})~"), PageCommand::none);
    EXPECT_EQ(pageCommand(R"~({"type":"hello"})~"), PageCommand::none);
    EXPECT_EQ(pageCommand(R"~({"cmd":true})~"), PageCommand::none);
    EXPECT_EQ(pageCommand(""), PageCommand::none);
    EXPECT_EQ(pageCommand("\"hello\""), PageCommand::none);
}

TEST(KeepSha, ExactlySixtyFourHexDigits) {
    EXPECT_TRUE(isKeepSha(kSha));
    EXPECT_TRUE(isKeepSha(std::string(32, 'F') + std::string(32, '0')));
    EXPECT_FALSE(isKeepSha(std::string(63, 'a')));
    EXPECT_FALSE(isKeepSha(std::string(65, 'a')));
    EXPECT_FALSE(isKeepSha(std::string(63, 'a') + "g"));
    EXPECT_FALSE(isKeepSha(std::string(63, 'a') + " "));
    EXPECT_FALSE(isKeepSha(""));
    EXPECT_EQ(keepShaOf("{\"keepSha\":\"" + kSha + "\"}"), kSha);
    EXPECT_EQ(keepShaOf("{\"keepSha\":\"" + std::string(63, 'a') + "\"}"), "");
    EXPECT_EQ(keepShaOf(R"~({"keepSha":true})~"), "");
}

TEST(ActRequest, OnlyTheFourActionsAreServedOthersGetNoReply) {
    for (const char* action : {"install", "repair", "uninstall"}) {
        ActDecision d = act(std::string("\"action\":\"") + action + R"~(","game":"C:\\Game")~");
        EXPECT_EQ(d.kind, ActDecision::Kind::start) << action;
        EXPECT_EQ(d.extraArguments, L"");
    }
    for (const char* action : {"Install", "delete", "", "install "}) {
        ActDecision d = act(std::string("\"action\":\"") + action + R"~(","game":"nowhere")~");
        EXPECT_EQ(d.kind, ActDecision::Kind::ignore) << action;
        EXPECT_EQ(d.reply, "");
    }
    EXPECT_EQ(act(R"~("game":"C:\\Game")~").kind, ActDecision::Kind::ignore);
}

TEST(ActRequest, GameFolderMustHoldThePatchFolder) {
    ActDecision d = act(R"~("action":"install","game":"C:\\Game\\")~");
    EXPECT_EQ(d.kind, ActDecision::Kind::start);
    EXPECT_EQ(d.action, L"install");
    EXPECT_EQ(d.gameDir, L"C:\\Game");
    EXPECT_EQ(act(R"~("action":"install","game":"Game")~").gameDir, L"C:\\Work\\Game");
    EXPECT_EQ(act(R"~("action":"install","game":"C:\\Spiele\\M\u00fcller")~").gameDir,
              L"C:\\Spiele\\M\u00fcller");
    for (const char* game :
         {R"~("game":"C:\\Half")~", R"~("game":"C:\\Nothing")~", R"~("game":"")~",
          R"~("game":"C:\\Odd")~", R"~("game":"\\\\server\\share")~", "\"x\":1"}) {
        ActDecision refused = act(std::string(R"~("action":"repair",)~") + game);
        EXPECT_EQ(refused.kind, ActDecision::Kind::refuse) << game;
        EXPECT_EQ(refused.reply, kNotFound) << game;
    }
}

TEST(ActRequest, CommandLineGameFolderWinsOverThePage) {
    ActDecision d = act(R"~("action":"install","game":"C:\\Nothing")~", L"C:\\Game");
    EXPECT_EQ(d.kind, ActDecision::Kind::start);
    EXPECT_EQ(d.gameDir, L"C:\\Game");
    d = act(R"~("action":"install","game":"C:\\Game")~", L"C:\\Half");
    EXPECT_EQ(d.reply, kNotFound);
}

TEST(ActRequest, KeepShaIsPassedOnlyWhenWellFormed) {
    std::string game = R"~("action":"repair","game":"C:\\Game",)~";
    EXPECT_EQ(act(game + "\"keepSha\":\"" + kSha + "\"").extraArguments,
              L" -KeepSha " + std::wstring(64, L'a'));
    for (const std::string& bad :
         {std::string(63, 'a'), std::string(65, 'a'), std::string(63, 'a') + "x", std::string()}) {
        ActDecision d = act(game + "\"keepSha\":\"" + bad + "\"");
        EXPECT_EQ(d.kind, ActDecision::Kind::start);
        EXPECT_EQ(d.extraArguments, L"") << bad;
    }
}

TEST(ActRequest, RookmereSourceInOrderOfPreference) {
    std::string base = R"~("action":"rookmere","game":"C:\\Game",)~";
    EXPECT_EQ(
        act(base +
            R"~("rookmereDownload":true,"rookmereDir":"C:\\Rookmere","rookmereZip":"C:\\kit.zip")~")
            .extraArguments,
        L" -RookmereDownload");
    EXPECT_EQ(
        act(base + R"~("rookmereDownload":false,"rookmereDir":"C:\\Rookmere\\")~").extraArguments,
        L" -RookmereDir \"C:\\Rookmere\"");
    // A download flag given as a string is not the value true.
    EXPECT_EQ(
        act(base + R"~("rookmereDownload":"yes","rookmereDir":"C:\\Rookmere")~").extraArguments,
        L" -RookmereDir \"C:\\Rookmere\"");
    // A missing folder falls through to the zip.
    EXPECT_EQ(
        act(base + R"~("rookmereDir":"C:\\Gone","rookmereZip":"C:\\kit.zip")~").extraArguments,
        L" -RookmereZip \"C:\\kit.zip\"");
    // A zip that is a folder, or a folder that is a file, does not count.
    EXPECT_EQ(act(base + R"~("rookmereDir":"C:\\kit.zip","rookmereZip":"C:\\Rookmere")~").reply,
              kNoKit);
    EXPECT_EQ(act(base + R"~("rookmereZip":"kit.zip")~").reply, kNoKit);
    EXPECT_EQ(act(base + R"~("rookmereDir":"","rookmereZip":"")~").reply, kNoKit);
    EXPECT_EQ(act(base + R"~("x":0)~").reply, kNoKit);
    // The keep-hash comes first.
    EXPECT_EQ(act(base + "\"keepSha\":\"" + kSha + R"~(","rookmereDownload":true)~").extraArguments,
              L" -KeepSha " + std::wstring(64, L'a') + L" -RookmereDownload");
}

TEST(ActRequest, RookmereMembersAreIgnoredForOtherActions) {
    ActDecision d = act(R"~("action":"install","game":"C:\\Game","rookmereDownload":true)~");
    EXPECT_EQ(d.extraArguments, L"");
}

TEST(ActRequest, GameFolderIsCheckedBeforeTheKit) {
    EXPECT_EQ(act(R"~("action":"rookmere","game":"C:\\Nothing")~").reply, kNotFound);
}

TEST(FolderRequest, OnlyExistingLocalFolders) {
    FileSystemView files = fakeFiles();
    EXPECT_EQ(folderToOpen(R"~({"cmd":"folder","path":"C:\\Game\\"})~", files),
              std::optional<std::wstring>(L"C:\\Game"));
    EXPECT_EQ(folderToOpen(R"~({"cmd":"folder","path":"Game"})~", files),
              std::optional<std::wstring>(L"C:\\Work\\Game"));
    EXPECT_FALSE(folderToOpen(R"~({"cmd":"folder","path":"\\\\server\\share"})~", files));
    EXPECT_FALSE(folderToOpen(R"~({"cmd":"folder","path":"C:\\kit.zip"})~", files));
    EXPECT_FALSE(folderToOpen(R"~({"cmd":"folder","path":"C:\\Nothing"})~", files));
    EXPECT_FALSE(folderToOpen(R"~({"cmd":"folder"})~", files));
    EXPECT_FALSE(folderToOpen(R"~({"cmd":"folder","path":"C:\\Ga\"me"})~", files));
    // It exists, but the shell would run %COMSPEC% rather than open it.
    EXPECT_FALSE(folderToOpen(R"~({"cmd":"folder","path":"C:\\%COMSPEC%.exe"})~", files));
}

TEST(StartAction, OneAtATimeAndAFailedStartFreesTheSlot) {
    std::atomic<int> busy{0};
    int started = 0;
    auto start = [&] {
        ++started;
        return true;
    };
    EXPECT_EQ(startActionWith(busy, start), "");
    EXPECT_EQ(busy.load(), 1);
    EXPECT_EQ(startActionWith(busy, start),
              R"~({"type":"done","ok":false,"why":"another action is still running"})~");
    EXPECT_EQ(started, 1);
    EXPECT_EQ(busy.load(), 1);

    busy.store(0);
    EXPECT_EQ(
        startActionWith(busy, [] { return false; }),
        R"~({"type":"done","ok":false,"why":"the action could not be started (no worker thread)"})~");
    EXPECT_EQ(busy.load(), 0);
    EXPECT_EQ(startActionWith(busy, start), "");
    EXPECT_EQ(started, 2);
}

TEST(StartAction, RacingRequestsStartExactlyOne) {
    std::atomic<int> busy{0};
    std::atomic<int> started{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([&] {
            startActionWith(busy, [&] {
                ++started;
                return true;
            });
        });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(started.load(), 1);
}

} // namespace

#include <gtest/gtest.h>

#include <cstdio>

#include "foreground_verdict.h"

namespace {

constexpr std::uint32_t kGame = 100, kOwn = 200, kBrowser = 300, kOther = 400;

ForegroundFacts facts(std::uint32_t foregroundPid) {
    ForegroundFacts f;
    f.haveForeground = true;
    f.foregroundPid = foregroundPid;
    f.gamePid = kGame;
    f.ownPid = kOwn;
    return f;
}

TEST(ForegroundVerdict, RulesInOrder) {
    struct Row {
        const char* what;
        ForegroundFacts facts;
        std::optional<bool> away;
    };
    ForegroundFacts minimisedWithHostInFront = facts(kOwn);
    minimisedWithHostInFront.gameMinimised = true;
    minimisedWithHostInFront.foregroundIsHost = true;
    ForegroundFacts minimisedWithoutForeground;
    minimisedWithoutForeground.gameMinimised = true;
    ForegroundFacts host = facts(kOwn);
    host.foregroundIsHost = true;
    ForegroundFacts pagePopup = facts(kOther);
    pagePopup.foregroundIsWebview = true;
    ForegroundFacts hostOfUnknownProcess = facts(0);
    hostOfUnknownProcess.foregroundIsHost = true;
    const Row rows[] = {
        {"minimised, even with the overlay in front", minimisedWithHostInFront, true},
        {"minimised without a foreground window", minimisedWithoutForeground, true},
        {"no foreground window: unchanged", ForegroundFacts{}, std::nullopt},
        {"the host window", host, false},
        {"the host window of an unknown process", hostOfUnknownProcess, false},
        {"a window of the browser or its child process", pagePopup, false},
        {"a window of an unknown process", facts(0), true},
        {"a window of the game process (a dialog)", facts(kGame), false},
        {"another window of the overlay", facts(kOwn), false},
        {"another application", facts(kOther), true},
        {"the browser process itself without the webview flag", facts(kBrowser), true},
    };
    for (const Row& row : rows)
        EXPECT_EQ(foregroundVerdict(row.facts), row.away) << row.what;
}

TEST(ForegroundVerdict, SnapshotOnlyWhenThePidsCannotSettleIt) {
    EXPECT_EQ(webviewCheck(false, kOther, kGame, kOwn, kBrowser), WebviewCheck::notWebview);
    EXPECT_EQ(webviewCheck(true, 0, kGame, kOwn, kBrowser), WebviewCheck::notWebview);
    EXPECT_EQ(webviewCheck(true, kGame, kGame, kOwn, kBrowser), WebviewCheck::notWebview);
    EXPECT_EQ(webviewCheck(true, kOwn, kGame, kOwn, kBrowser), WebviewCheck::notWebview);
    EXPECT_EQ(webviewCheck(true, kOther, kGame, kOwn, 0), WebviewCheck::notWebview);
    EXPECT_EQ(webviewCheck(true, kBrowser, kGame, kOwn, kBrowser), WebviewCheck::webview);
    EXPECT_EQ(webviewCheck(true, kOther, kGame, kOwn, kBrowser), WebviewCheck::needsSnapshot);
}

TEST(ForegroundVerdict, OldRootOwnerRule) {
    EXPECT_TRUE(oldRuleVerdict(true, true, true));
    EXPECT_FALSE(oldRuleVerdict(false, true, false));
    EXPECT_FALSE(oldRuleVerdict(false, false, true));
    EXPECT_TRUE(oldRuleVerdict(false, false, false)); // also without any foreground window
}

TEST(ForegroundVerdict, OldRuleLineOnlyWhenItChangesAndDisagrees) {
    bool oldRuleAway = false;
    EXPECT_FALSE(oldRuleLineDue(oldRuleAway, false, true)); // unchanged, though it disagrees
    EXPECT_FALSE(oldRuleLineDue(oldRuleAway, true, true));  // changed, agrees
    EXPECT_TRUE(oldRuleAway);
    EXPECT_FALSE(oldRuleLineDue(oldRuleAway, true, false)); // disagrees now, but unchanged
    EXPECT_TRUE(oldRuleLineDue(oldRuleAway, false, true));  // changed and disagrees
    EXPECT_FALSE(oldRuleAway);
    EXPECT_TRUE(oldRuleLineDue(oldRuleAway, true, false));
}

std::string handleText(const void* window) {
    char text[32];
    std::snprintf(text, sizeof text, "%p", window);
    return text;
}

TEST(DescribeWindow, TitleCutAfterSixtyUnits) {
    const void* window = reinterpret_cast<const void*>(0xABCDEF);
    std::wstring sixty(60, L't');
    EXPECT_EQ(describeWindowText("game.exe", 42, L"Win32Window", sixty, window),
              "game.exe pid 42 class 'Win32Window' title '" + std::string(60, 't') + "' (" +
                  handleText(window) + ")");
    EXPECT_EQ(describeWindowText("game.exe", 42, L"Win32Window", sixty + L"u", window),
              "game.exe pid 42 class 'Win32Window' title '" + std::string(60, 't') + "...' (" +
                  handleText(window) + ")");
    EXPECT_EQ(describeWindowText("?", 0, L"", L"", nullptr),
              "? pid 0 class '' title '' (" + handleText(nullptr) + ")");
}

TEST(DescribeWindow, ClassAndTitleInUtf8) {
    const void* window = reinterpret_cast<const void*>(0x10);
    EXPECT_EQ(describeWindowText("sp\xC3\xA4t.exe", 7, L"K\u00E4fer", L"\u00DCber \u20AC", window),
              "sp\xC3\xA4t.exe pid 7 class 'K\xC3\xA4"
              "fer' title '\xC3\x9C"
              "ber \xE2\x82\xAC' (" +
                  handleText(window) + ")");
}

TEST(DescribeWindow, LineBreaksInForeignTextsCannotForgeLogLines) {
    EXPECT_EQ(describeWindowText("x.exe", 1, L"C\r\nD", L"a\n[vyr-overlay] 00:00:00 exit\x1b\x7f",
                                 nullptr),
              "x.exe pid 1 class 'C  D' title 'a [vyr-overlay] 00:00:00 exit  ' (" +
                  handleText(nullptr) + ")");
}

TEST(DescribeWindow, CutTo767Bytes) {
    std::wstring wide(128, L'\u20AC'); // 384 bytes in UTF-8
    EXPECT_EQ(describeWindowText(std::string(400, 'x'), 1, wide, L"t", nullptr).size(), 767u);
}

} // namespace

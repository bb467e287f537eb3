#include <gtest/gtest.h>

#include "command_line.h"
#include "user_folder.h"

namespace {

const std::wstring kDir = L"C:\\Games\\Cindergale\\vyr";

OverlayOptions parsed(const std::vector<std::wstring>& args) {
    OverlayOptions options = defaultOverlayOptions(kDir);
    parseCommandLine(options, args);
    return options;
}

TEST(CommandLine, NoArgumentsGivesTheDefaults) {
    OverlayOptions o = parsed({});
    EXPECT_TRUE(o.childMode);
    EXPECT_EQ(o.port, 47632);
    EXPECT_FALSE(o.show);
    EXPECT_EQ(o.webDir, kDir + L"\\web");
    EXPECT_EQ(o.docDir, kDir + L"\\..\\package\\Documents");
    EXPECT_EQ(o.logPath, kDir + L"\\vyr_overlay.log");
    EXPECT_EQ(o.gameTitle, L"Cindergale");
    EXPECT_EQ(o.gameClass, L"Win32Window");
    EXPECT_EQ(o.dataDir, L"");
}

TEST(CommandLine, EveryOptionSetsItsField) {
    OverlayOptions o =
        parsed({L"--web", L"W", L"--doc", L"D", L"--port", L"5000", L"--show", L"--game", L"T",
                L"--game-class", L"C", L"--data", L"U", L"--log", L"L", L"--mode", L"owned"});
    EXPECT_EQ(o.webDir, L"W");
    EXPECT_EQ(o.docDir, L"D");
    EXPECT_EQ(o.port, 5000);
    EXPECT_TRUE(o.show);
    EXPECT_EQ(o.gameTitle, L"T");
    EXPECT_EQ(o.gameClass, L"C");
    EXPECT_EQ(o.dataDir, L"U");
    EXPECT_EQ(o.logPath, L"L");
    EXPECT_FALSE(o.childMode);
}

TEST(CommandLine, OnlyOwnedExactlySelectsOwnedMode) {
    EXPECT_FALSE(parsed({L"--mode", L"owned"}).childMode);
    EXPECT_TRUE(parsed({L"--mode", L"Owned"}).childMode);
    EXPECT_TRUE(parsed({L"--mode", L"OWNED"}).childMode);
    EXPECT_TRUE(parsed({L"--mode", L"owned "}).childMode);
    EXPECT_TRUE(parsed({L"--mode", L"child"}).childMode);
    EXPECT_TRUE(parsed({L"--mode", L""}).childMode);
    // A later --mode overrides an earlier owned.
    EXPECT_TRUE(parsed({L"--mode", L"owned", L"--mode", L"x"}).childMode);
}

TEST(CommandLine, ValueOptionAsLastArgumentIsIgnored) {
    EXPECT_TRUE(parsed({L"--mode"}).childMode);
    EXPECT_FALSE(parsed({L"--mode", L"owned", L"--mode"}).childMode);
    EXPECT_EQ(parsed({L"--port"}).port, 47632);
    EXPECT_EQ(parsed({L"--web"}).webDir, kDir + L"\\web");
    EXPECT_EQ(parsed({L"--log", L"a.log", L"--log"}).logPath, L"a.log");
}

TEST(CommandLine, OptionNamesMatchWholeAndCaseSensitive) {
    OverlayOptions o = parsed(
        {L"--Show", L"--SHOW", L"-show", L"--show=1", L"--web=x", L"--PORT", L"1", L"port", L"2"});
    EXPECT_FALSE(o.show);
    EXPECT_EQ(o.webDir, kDir + L"\\web");
    EXPECT_EQ(o.port, 47632);
}

TEST(CommandLine, RepeatedOptionLastValueWins) {
    OverlayOptions o = parsed({L"--port", L"1", L"--web", L"a", L"--port", L"2", L"--web", L"b"});
    EXPECT_EQ(o.port, 2);
    EXPECT_EQ(o.webDir, L"b");
}

TEST(CommandLine, ValueThatLooksLikeAnOptionIsTakenAsTheValue) {
    OverlayOptions o = parsed({L"--web", L"--show"});
    EXPECT_EQ(o.webDir, L"--show");
    EXPECT_FALSE(o.show);

    o = parsed({L"--game", L"--port", L"99"});
    EXPECT_EQ(o.gameTitle, L"--port");
    EXPECT_EQ(o.port, 47632); // "99" is then an unknown argument
}

TEST(CommandLine, UnknownArgumentsChangeNothing) {
    OverlayOptions o = parsed({L"hello", L"", L"--verbose", L"owned"});
    OverlayOptions d = parsed({});
    EXPECT_EQ(o.childMode, d.childMode);
    EXPECT_EQ(o.port, d.port);
    EXPECT_EQ(o.webDir, d.webDir);
    EXPECT_EQ(o.show, d.show);
}

TEST(CommandLine, EmptyValuesAreKept) {
    OverlayOptions o = parsed({L"--web", L"", L"--game", L""});
    EXPECT_EQ(o.webDir, L"");
    EXPECT_EQ(o.gameTitle, L"");
}

TEST(PortText, LeadingDecimalWithBlanksAndSign) {
    EXPECT_EQ(parsePortText(L"47632"), 47632);
    EXPECT_EQ(parsePortText(L"  123"), 123);
    EXPECT_EQ(parsePortText(L"\t+80"), 80);
    EXPECT_EQ(parsePortText(L"-5"), -5);
    EXPECT_EQ(parsePortText(L"12abc"), 12);
    EXPECT_EQ(parsePortText(L"007"), 7);
}

TEST(PortText, TextWithoutANumberGivesZero) {
    EXPECT_EQ(parsePortText(L""), 0);
    EXPECT_EQ(parsePortText(L"abc"), 0);
    EXPECT_EQ(parsePortText(L"+"), 0);
    EXPECT_EQ(parsePortText(L" - 5"), 0);
    EXPECT_EQ(parsePortText(L"x12"), 0);
    EXPECT_EQ(parsed({L"--port", L"none"}).port, 0);
}

TEST(PortText, HugeNumbersDoNotOverflow) {
    EXPECT_EQ(parsePortText(L"99999999999999999999999"), 2147483647);
    EXPECT_EQ(parsePortText(L"-99999999999999999999999"), -2147483647);
}

TEST(DerivedPaths, ProgramFolderCutsBeforeTheLastSeparator) {
    EXPECT_EQ(programFolder(L"C:\\a\\b\\overlay_host.exe"), L"C:\\a\\b");
    EXPECT_EQ(programFolder(L"C:/a/b/overlay_host.exe"), L"C:/a/b");
    EXPECT_EQ(programFolder(L"C:\\a/b\\c.exe"), L"C:\\a/b");
    EXPECT_EQ(programFolder(L"C:\\a\\b/c.exe"), L"C:\\a\\b");
    EXPECT_EQ(programFolder(L"overlay_host.exe"), L"overlay_host.exe");
    EXPECT_EQ(programFolder(L""), L"");
}

TEST(DerivedPaths, PlainConcatenationKeepsDotDot) {
    EXPECT_EQ(keysFilePath(L"C:\\g\\vyr\\..\\package\\Documents"),
              L"C:\\g\\vyr\\..\\package\\Documents\\vyr_keys.txt");
    EXPECT_EQ(keysFilePath(L"D\\"), L"D\\\\vyr_keys.txt");
    EXPECT_EQ(optOutMarkerPath(L"C:\\g"), L"C:\\g\\no_keep_layout.txt");
    // The documents folder given on the command line is used for the keys file as it is.
    EXPECT_EQ(keysFilePath(parsed({L"--doc", L"X:\\docs"}).docDir), L"X:\\docs\\vyr_keys.txt");
}

TEST(DerivedPaths, ModulePathBufferGrowsUntilThePathFitsWhole) {
    EXPECT_EQ(nextModulePathSize(260, 40), 0u);
    EXPECT_EQ(nextModulePathSize(260, 260), 520u);   // it filled the buffer: cut
    EXPECT_EQ(nextModulePathSize(32768, 32768), 0u); // no longer path exists
}

TEST(DerivedPaths, UnwritableDefaultsMoveToTheUsersFolderGivenOnesStay) {
    OverlayOptions options = parsed({});
    EXPECT_TRUE(userFolderPlan(options, {false, false, false}).log);
    EXPECT_FALSE(userFolderPlan(options, {false, false, false}).doc); // missing: left as it is
    EXPECT_FALSE(userFolderPlan(options, {true, true, true}).any());
    EXPECT_FALSE(
        userFolderPlan(parsed({L"--log", L"L", L"--doc", L"D"}), {false, true, false}).any());
    moveToUserFolder(options, {true, true}, userOverlayFolder(L"A"));
    EXPECT_EQ(options.logPath + options.docDir,
              L"A\\VYR\\overlay\\vyr_overlay.logA\\VYR\\overlay\\Documents");
    EXPECT_EQ(userFolderNote({true, true}, "L", "D"),
              "; the game folder is not writable - log L, page files in D");
    EXPECT_EQ(userFolderNote({}, "L", "D"), "");
}

} // namespace

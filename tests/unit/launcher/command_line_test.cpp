#include <gtest/gtest.h>

#include "command_line.h"
#include "kit_layout.h"

namespace {

const std::wstring kExe = L"C:\\Games\\Cindergale";

// Resolves like fullPath in a program whose current folder is C:\Work.
std::wstring fakeFullPath(const std::wstring& path) {
    std::wstring full = path.size() > 1 && path[1] == L':' ? path : L"C:\\Work\\" + path;
    while (full.size() > 3 && (full.back() == L'\\' || full.back() == L'/'))
        full.pop_back();
    return full;
}

LauncherOptions parsed(const std::vector<std::wstring>& args) {
    LauncherOptions options;
    parseCommandLine(options, args, fakeFullPath);
    return options;
}

LauncherFolders folders(const std::vector<std::wstring>& args, bool filesKit = false) {
    return deriveFolders(chooseKitDir(kExe, filesKit), parsed(args));
}

TEST(LauncherCommandLine, NoArgumentsGivesTheKitLayout) {
    LauncherFolders f = folders({});
    EXPECT_EQ(f.kitDir, kExe);
    EXPECT_EQ(f.webDir, kExe + L"\\launcher\\web");
    EXPECT_EQ(f.scriptPath, kExe + L"\\launcher\\actions.ps1");
    EXPECT_EQ(f.dataDir, kExe + L"\\launcher\\data");
    LauncherOptions o = parsed({});
    EXPECT_EQ(o.gameDir, L"");
    EXPECT_EQ(o.hostsFile, L"");
    EXPECT_EQ(o.pageQuery, L"");
    EXPECT_FALSE(o.devMode);
}

TEST(LauncherCommandLine, EveryOptionSetsItsField) {
    LauncherOptions o = parsed({L"--kit", L"K", L"--web", L"W", L"--game", L"G", L"--hosts", L"H",
                                L"--data", L"D", L"--dev", L"--query", L"x=1"});
    EXPECT_EQ(o.kitDir, L"C:\\Work\\K");
    EXPECT_EQ(o.webDir, L"C:\\Work\\W");
    EXPECT_EQ(o.gameDir, L"C:\\Work\\G");
    EXPECT_EQ(o.hostsFile, L"C:\\Work\\H");
    EXPECT_EQ(o.dataDir, L"C:\\Work\\D");
    EXPECT_TRUE(o.devMode);
    EXPECT_EQ(o.pageQuery, L"x=1");
}

TEST(LauncherCommandLine, QueryIsKeptAsGivenNotResolved) {
    EXPECT_EQ(parsed({L"--query", L"a=b\\"}).pageQuery, L"a=b\\");
}

TEST(LauncherCommandLine, UpperCaseEqualsSignAndMissingValueAreIgnored) {
    LauncherOptions o = parsed({L"--KIT", L"A", L"--Dev", L"--kit=B", L"--web=C", L"-dev"});
    EXPECT_FALSE(o.kitGiven);
    EXPECT_FALSE(o.webGiven);
    EXPECT_FALSE(o.devMode);
    EXPECT_EQ(folders({L"--kit"}).kitDir, kExe);
    EXPECT_EQ(folders({L"--kit", L"D:\\Kit", L"--kit"}).kitDir, L"D:\\Kit");
    EXPECT_EQ(parsed({L"--query"}).pageQuery, L"");
}

TEST(LauncherCommandLine, DevTakesNoValue) {
    LauncherOptions o = parsed({L"--dev", L"--web", L"D:\\Page"});
    EXPECT_TRUE(o.devMode);
    EXPECT_EQ(o.webDir, L"D:\\Page");
}

TEST(LauncherCommandLine, RepeatedOptionLastWinsAndValueMayLookLikeAnOption) {
    EXPECT_EQ(parsed({L"--game", L"D:\\A", L"--game", L"D:\\B"}).gameDir, L"D:\\B");
    LauncherOptions o = parsed({L"--query", L"--dev"});
    EXPECT_EQ(o.pageQuery, L"--dev");
    EXPECT_FALSE(o.devMode);
}

TEST(LauncherCommandLine, RelativeAndTrailingSeparatorKitIsStoredAbsolute) {
    EXPECT_EQ(folders({L"--kit", L"kit\\"}).kitDir, L"C:\\Work\\kit");
    EXPECT_EQ(folders({L"--kit", L"D:\\"}).kitDir, L"D:\\");
    EXPECT_EQ(folders({L"--kit", L"D:\\"}).scriptPath, L"D:\\\\launcher\\actions.ps1");
}

TEST(KitFolder, FilesSubFolderIsUsedWhenItHoldsTheScript) {
    EXPECT_EQ(filesKitProbe(kExe), kExe + L"\\files\\launcher\\actions.ps1");
    EXPECT_EQ(chooseKitDir(kExe, true), kExe + L"\\files");
    EXPECT_EQ(chooseKitDir(kExe, false), kExe);
    LauncherFolders f = folders({}, true);
    EXPECT_EQ(f.kitDir, kExe + L"\\files");
    EXPECT_EQ(f.webDir, kExe + L"\\files\\launcher\\web");
    EXPECT_EQ(f.scriptPath, kExe + L"\\files\\launcher\\actions.ps1");
    EXPECT_EQ(f.dataDir, kExe + L"\\files\\launcher\\data");
}

TEST(KitFolder, KitOptionWinsOverTheFilesSubFolder) {
    LauncherFolders f = folders({L"--kit", L"E:\\Kit"}, true);
    EXPECT_EQ(f.kitDir, L"E:\\Kit");
    EXPECT_EQ(f.webDir, L"E:\\Kit\\launcher\\web");
    EXPECT_EQ(f.scriptPath, L"E:\\Kit\\launcher\\actions.ps1");
}

TEST(KitFolder, WebAndDataOptionsOverrideButTheScriptStaysInTheKit) {
    LauncherFolders f = folders({L"--web", L"W:\\page", L"--data", L"U:\\data"});
    EXPECT_EQ(f.webDir, L"W:\\page");
    EXPECT_EQ(f.dataDir, L"U:\\data");
    EXPECT_EQ(f.scriptPath, kExe + L"\\launcher\\actions.ps1");
}

TEST(KitFolder, DerivedFiles) {
    EXPECT_EQ(programFolder(L"C:\\a\\b\\launcher.exe"), L"C:\\a\\b");
    EXPECT_EQ(programFolder(L"C:/a/b/launcher.exe"), L"C:/a/b");
    EXPECT_EQ(programFolder(L"launcher.exe"), L"launcher.exe");
    EXPECT_EQ(fallbackDataDir(L"C:\\Users\\p\\AppData\\Local"),
              L"C:\\Users\\p\\AppData\\Local\\VYR\\launcher");
    EXPECT_EQ(logPathFor(L"D:\\data"), L"D:\\data\\launcher.log");
    EXPECT_EQ(settingsPathFor(L"D:\\kit"), L"D:\\kit\\launcher\\launcher.json");
    EXPECT_EQ(startPagePathFor(L"D:\\web"), L"D:\\web\\index.html");
    EXPECT_EQ(writeProbePathFor(L"D:\\data"), L"D:\\data\\write.probe");
}

} // namespace

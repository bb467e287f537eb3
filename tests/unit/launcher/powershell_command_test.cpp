#include <gtest/gtest.h>

#include "powershell_command.h"

namespace {

const std::wstring kSwitches =
    L"-NoProfile -NonInteractive -ExecutionPolicy Bypass -WindowStyle Hidden -File ";

ScriptLocations kit(std::wstring gameDir = L"", std::wstring hostsFile = L"") {
    return {L"C:\\Games\\Cindergale\\launcher\\actions.ps1", L"C:\\Games\\Cindergale",
            std::move(gameDir), std::move(hostsFile)};
}

TEST(PowershellCommand, ProgramSitsUnderTheSystemFolder) {
    EXPECT_EQ(powershellPathIn(L"C:\\Windows\\system32"),
              L"C:\\Windows\\system32\\WindowsPowerShell\\v1.0\\powershell.exe");
}

TEST(PowershellCommand, QuotedPathsKeepBlanksAndBackslashesInside) {
    EXPECT_EQ(quoteArgument(L""), L"\"\"");
    EXPECT_EQ(quoteArgument(L"C:\\My Games\\Cindergale"), L"\"C:\\My Games\\Cindergale\"");
    EXPECT_EQ(quoteArgument(L"\\\\server\\share\\x"), L"\"\\\\server\\share\\x\"");
    EXPECT_EQ(quoteArgument(L"C:\\M\u00fcller"), L"\"C:\\M\u00fcller\"");
}

TEST(PowershellCommand, DriveRootDoesNotEscapeTheClosingQuote) {
    EXPECT_EQ(quoteArgument(L"C:\\"), L"\"C:\\\\\"");
    EXPECT_EQ(quoteArgument(L"a\\\\"), L"\"a\\\\\\\\\"");
}

TEST(PowershellCommand, QuoteInsideIsEscapedRatherThanEndingTheArgument) {
    EXPECT_EQ(quoteArgument(L"a\"b"), L"\"a\\\"b\"");
    EXPECT_EQ(quoteArgument(L"a\\\"b"), L"\"a\\\\\\\"b\"");
}

TEST(PowershellCommand, ArgumentsEndAfterTheKitWithoutGameOrHosts) {
    EXPECT_EQ(scriptArguments(L"status", kit()),
              kSwitches + L"\"C:\\Games\\Cindergale\\launcher\\actions.ps1\" -Action status "
                          L"-Kit \"C:\\Games\\Cindergale\"");
}

TEST(PowershellCommand, GameAndHostsFollowInThatOrder) {
    EXPECT_EQ(scriptArguments(L"install", kit(L"D:\\Steam\\Cindergale", L"C:\\tmp\\hosts")),
              kSwitches + L"\"C:\\Games\\Cindergale\\launcher\\actions.ps1\" -Action install "
                          L"-Kit \"C:\\Games\\Cindergale\" -Game \"D:\\Steam\\Cindergale\" "
                          L"-HostsFile \"C:\\tmp\\hosts\"");
    EXPECT_EQ(scriptArguments(L"repair", kit(L"", L"C:\\h")),
              kSwitches + L"\"C:\\Games\\Cindergale\\launcher\\actions.ps1\" -Action repair "
                          L"-Kit \"C:\\Games\\Cindergale\" -HostsFile \"C:\\h\"");
}

TEST(PowershellCommand, BlanksInTheKitStayInsideOneArgument) {
    ScriptLocations where{L"C:\\My Kit\\launcher\\actions.ps1", L"C:\\My Kit", L"", L""};
    EXPECT_EQ(scriptArguments(L"status", where),
              kSwitches + L"\"C:\\My Kit\\launcher\\actions.ps1\" -Action status -Kit "
                          L"\"C:\\My Kit\"");
}

TEST(PowershellCommand, StatusCommandLineWithAndWithoutKeepHash) {
    std::wstring program = L"C:\\windows\\system32\\WindowsPowerShell\\v1.0\\powershell.exe";
    std::wstring base = L"\"" + program + L"\" " + scriptArguments(L"status", kit());
    EXPECT_EQ(statusCommandLine(program, kit(), L""), base);
    std::wstring hash(64, L'a');
    EXPECT_EQ(statusCommandLine(program, kit(), hash), base + L" -KeepSha " + hash);
}

TEST(PowershellCommand, RunFolderAndItsFiles) {
    EXPECT_EQ(actionRunDir(L"D:\\Game"), L"D:\\Game\\vyr_launcher\\run");
    EXPECT_EQ(actionLogPath(L"D:\\Game\\vyr_launcher\\run"),
              L"D:\\Game\\vyr_launcher\\run\\action.log");
    EXPECT_EQ(actionResultPath(L"D:\\Game\\vyr_launcher\\run"),
              L"D:\\Game\\vyr_launcher\\run\\result.json");
}

TEST(PowershellCommand, ActionAddsRunFolderExtrasAndTheJobsGameWithoutGameOption) {
    std::wstring extra = L" -KeepSha abc -RookmereDir \"C:\\R k\"";
    EXPECT_EQ(actionArguments(L"rookmere", kit(), L"D:\\My Game", extra),
              scriptArguments(L"rookmere", kit()) + L" -RunDir \"D:\\My Game\\vyr_launcher\\run\"" +
                  extra + L" -Game \"D:\\My Game\"");
}

TEST(PowershellCommand, ActionLeavesTheGameToTheOptionWhenGiven) {
    ScriptLocations where = kit(L"E:\\Fixed", L"C:\\hosts");
    EXPECT_EQ(actionArguments(L"install", where, L"E:\\Fixed", L""),
              scriptArguments(L"install", where) + L" -RunDir \"E:\\Fixed\\vyr_launcher\\run\"");
}

TEST(PowershellCommand, LiteralsAndSplittingForTheLiteralLoad) {
    EXPECT_FALSE(needsLiteralScriptLoad(L"C:\\My Games (1)\\launcher\\actions.ps1"));
    EXPECT_TRUE(needsLiteralScriptLoad(L"C:\\a]b\\launcher\\actions.ps1"));
    EXPECT_EQ(powershellLiteral(L"O'N $x `y\u2018\u2019\u201A\u201B\u201C"),
              L"'O''N $x `y\u2018\u2018\u2019\u2019\u201A\u201A\u201B\u201B\u201C'");
    std::vector<std::wstring> values = {L"C:\\", L"a b", L"a\\\\", L"a\\\"b", L"", L"x"};
    std::wstring line;
    for (const std::wstring& value : values)
        line += L" " + quoteArgument(value);
    EXPECT_EQ(splitArguments(line), values);
}

TEST(PowershellCommand, BracketsInTheKitLoadTheScriptFromItsLiteralPath) {
    ScriptLocations where{L"D:\\Cindergale [GOG]\\launcher\\actions.ps1", L"D:\\Cindergale [GOG]",
                          L"", L""};
    std::wstring run = L"'D:\\Cindergale [GOG]\\vyr_launcher\\run'";
    EXPECT_EQ(
        actionArguments(L"install", where, L"D:\\Cindergale [GOG]", L" -KeepSha ab"),
        L"-NoProfile -NonInteractive -ExecutionPolicy Bypass -WindowStyle Hidden -Command "
        L"\"try { $vyrKitScript = [scriptblock]::Create([IO.File]::ReadAllText('D:\\Cindergale "
        L"[GOG]\\launcher\\actions.ps1', [Text.Encoding]::Default)) } catch { exit 1 }; & "
        L"$vyrKitScript -Action 'install' -Kit "
        L"'D:\\Cindergale [GOG]' -RunDir " +
            run + L" -KeepSha 'ab' -Game 'D:\\Cindergale [GOG]'; exit $LASTEXITCODE\"");
    std::wstring status = statusCommandLine(L"C:\\ps.exe", where, L"");
    EXPECT_EQ(status.find(
                  L"\"C:\\ps.exe\" -NoProfile -NonInteractive -ExecutionPolicy Bypass -WindowStyle "
                  L"Hidden -Command \"try { $vyrKitScript = [scriptblock]::Create("),
              0u);
    EXPECT_NE(status.find(L"-Action 'status' -Kit 'D:\\Cindergale [GOG]'; exit"),
              std::wstring::npos);
}

} // namespace

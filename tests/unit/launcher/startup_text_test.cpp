#include <gtest/gtest.h>

#include "startup_text.h"

namespace {

TEST(LauncherStartupText, StartLineWithServerAndSandbox) {
    EXPECT_EQ(startLine("C:\\Games\\Cindergale", "vyr.example.net", false),
              "VYR Ferrowake launcher 1.0 (2026-10-13), kit C:\\Games\\Cindergale, "
              "server vyr.example.net");
    EXPECT_EQ(startLine("D:\\Kit", "", true),
              "VYR Ferrowake launcher 1.0 (2026-10-13), kit D:\\Kit, server  (scratch hosts file)");
    EXPECT_EQ(startLine("D:\\Kit", "", false),
              "VYR Ferrowake launcher 1.0 (2026-10-13), kit D:\\Kit, server ");
}

TEST(LauncherStartupText, MessageBoxTexts) {
    EXPECT_EQ(std::wstring(kMissingFilesText),
              L"The launcher's files are missing (launcher\\web, launcher\\actions.ps1).\n\n"
              L"Unzip the whole kit again, inside the game folder.");
    std::wstring runtime = kMissingRuntimeText;
    EXPECT_EQ(runtime.find(L"VYR Ferrowake needs the Microsoft Edge WebView2 Runtime, which "
                           L"Windows 11 has.\n\n"),
              0u);
    EXPECT_NE(runtime.find(L"\"WebView2 Runtime\""), std::wstring::npos);
    EXPECT_NE(runtime.find(L"\"JOIN - double click me.bat\""), std::wstring::npos);
    EXPECT_EQ(std::wstring(kMessageCaption), L"VYR Ferrowake");
    EXPECT_EQ(std::string(kExitLine), "exit");
}

TEST(LauncherStartupText, OnlyAMissingRuntimeIsToldAsOne) {
    EXPECT_EQ(environmentFailureText(L"step", 0x80070002UL, L"D:\\d"), kMissingRuntimeText);
    EXPECT_EQ(environmentFailureText(L"Create", 0x80070005UL, L"C:\\K\\data"),
              L"VYR Ferrowake could not start the Microsoft Edge WebView2 Runtime: Create failed "
              L"with error 0x80070005 (access denied: the data folder cannot be written).\n\nIts "
              L"data folder is C:\\K\\data. Close other programs that may use it and start the "
              L"launcher again, or use \"JOIN - double click me.bat\" in the kit instead.");
    std::wstring other = environmentFailureText(L"step", 0x80004005UL, L"D:\\d");
    EXPECT_NE(other.find(L"step failed with error 0x80004005.\n\n"), std::wstring::npos);
}

} // namespace

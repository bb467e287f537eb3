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
    EXPECT_EQ(environmentFailureText(L"CreateCoreWebView2EnvironmentWithOptions", 0x80070002UL,
                                     L"C:\\Kit\\launcher\\data"),
              kMissingRuntimeText);
    std::wstring denied = environmentFailureText(L"CreateCoreWebView2EnvironmentWithOptions",
                                                 0x80070005UL, L"C:\\Kit\\launcher\\data");
    EXPECT_EQ(denied, L"VYR Ferrowake could not start the Microsoft Edge WebView2 Runtime: "
                      L"CreateCoreWebView2EnvironmentWithOptions failed with error 0x80070005 "
                      L"(access denied: the data folder cannot be written).\n\n"
                      L"Its data folder is C:\\Kit\\launcher\\data. Close other programs that "
                      L"may use it and start the launcher again, or use \"JOIN - double click "
                      L"me.bat\" in the kit instead.");
    std::wstring inUse =
        environmentFailureText(L"creating the WebView2 environment", 0x8007139FUL, L"D:\\d");
    EXPECT_NE(inUse.find(L"creating the WebView2 environment failed with error 0x8007139f (the "
                         L"data folder is in use by another WebView2 program with other "
                         L"settings)."),
              std::wstring::npos);
    std::wstring other = environmentFailureText(L"step", 0x80004005UL, L"D:\\d");
    EXPECT_NE(other.find(L"step failed with error 0x80004005.\n\n"), std::wstring::npos);
    EXPECT_EQ(other.find(L"needs"), std::wstring::npos);
}

} // namespace

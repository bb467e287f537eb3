#include "startup_text.h"

const char* const kLauncherVersion = "1.0 (2026-10-13)";

std::string startLine(const std::string& kitDirUtf8, const std::string& server, bool sandbox) {
    return std::string("VYR Ferrowake launcher ") + kLauncherVersion + ", kit " + kitDirUtf8 +
           ", server " + server + (sandbox ? " (scratch hosts file)" : "");
}

const char* const kExitLine = "exit";

const wchar_t* const kMessageCaption = L"VYR Ferrowake";

const wchar_t* const kMissingFilesText =
    L"The launcher's files are missing (launcher\\web, launcher\\actions.ps1).\n"
    L"\n"
    L"Unzip the whole kit again, inside the game folder.";

const wchar_t* const kMissingRuntimeText =
    L"VYR Ferrowake needs the Microsoft Edge WebView2 Runtime, which Windows 11 has.\n"
    L"\n"
    L"Install it from Microsoft's download site (search for \"WebView2 Runtime\"), or use "
    L"\"JOIN - double click me.bat\" in the kit instead.";

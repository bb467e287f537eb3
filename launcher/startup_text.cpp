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

namespace {

std::wstring hexCode(unsigned long result) {
    static const wchar_t digits[] = L"0123456789abcdef";
    std::wstring out = L"0x";
    for (int shift = 28; shift >= 0; shift -= 4)
        out += digits[(result >> shift) & 0xF];
    return out;
}

// The failures a player can do something about, in their words.
const wchar_t* meaningOf(unsigned long result) {
    switch (result) {
    case 0x80070005UL: // E_ACCESSDENIED
        return L"access denied: the data folder cannot be written";
    case 0x8007139FUL: // HRESULT_FROM_WIN32(ERROR_INVALID_STATE)
        return L"the data folder is in use by another WebView2 program with other settings";
    case 0x80070020UL: // HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION)
        return L"the data folder is in use by another program";
    default:
        return nullptr;
    }
}

} // namespace

std::wstring environmentFailureText(const std::wstring& step, unsigned long result,
                                    const std::wstring& dataDir) {
    if (result == kRuntimeNotFound)
        return kMissingRuntimeText;
    std::wstring text = L"VYR Ferrowake could not start the Microsoft Edge WebView2 Runtime: " +
                        step + L" failed with error " + hexCode(result);
    if (const wchar_t* meaning = meaningOf(result))
        text += std::wstring(L" (") + meaning + L")";
    text += L".\n\nIts data folder is " + dataDir +
            L". Close other programs that may use it and start the launcher again, or use "
            L"\"JOIN - double click me.bat\" in the kit instead.";
    return text;
}

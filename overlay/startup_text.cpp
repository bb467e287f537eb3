#include "startup_text.h"

const char* const kBuildText = "2026-10-12 v11 keyboard layout kept across alt-tab";

const char* const kKeysOptOutLine =
    "keys: no_keep_layout.txt - the keyboard layout is only noted, never asked back";

std::string startLine(unsigned long processId, bool childMode, const std::string& webDirUtf8) {
    return std::string("started, build ") + kBuildText + ", pid " + std::to_string(processId) +
           ", mode " + (childMode ? "child" : "owned") + ", web " + webDirUtf8;
}

std::string exitLine(const std::string& exitReason) {
    return "exit (" +
           (exitReason.empty()
                ? std::string("the message loop ended - WM_QUIT from elsewhere, no reason recorded")
                : exitReason) +
           ")";
}

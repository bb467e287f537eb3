#pragma once
#include <string>
#include <vector>

// What the overlay's command line can set, with the defaults of a plain start.
struct OverlayOptions {
    bool childMode = true;
    std::wstring webDir;
    std::wstring docDir;
    std::wstring logPath;
    int port = 47632;
    bool show = false;
    std::wstring gameTitle = L"Cindergale";
    std::wstring gameClass = L"Win32Window";
    std::wstring dataDir;
    bool logGiven = false; // --log was on the command line
    bool docGiven = false; // --doc was on the command line
};

// Folder part of the program file's path: cut before its last '\' or '/'; the whole
// path when it has neither.
std::wstring programFolder(const std::wstring& modulePath);

// Reading the program's path into a buffer of `size` characters returned `returned`: the
// next buffer size while the path was cut (it filled the buffer), 0 once it was read whole or
// no longer path could be (32768 characters, the longest path the system has).
unsigned nextModulePathSize(unsigned size, unsigned returned);

// Options with the folder defaults derived from the program folder (plain concatenation,
// nothing normalised, so the documents folder keeps its literal "..").
OverlayOptions defaultOverlayOptions(const std::wstring& programDir);

// Reads the arguments after the program name, left to right; later options win.
void parseCommandLine(OverlayOptions& options, const std::vector<std::wstring>& args);

// A leading decimal integer after optional blanks and sign; 0 for anything else.
int parsePortText(const std::wstring& text);

std::wstring keysFilePath(const std::wstring& docDir);
std::wstring optOutMarkerPath(const std::wstring& programDir);

#pragma once
#include <string>

// The build this program reports in its start line.
extern const char* const kBuildText;

std::string startLine(unsigned long processId, bool childMode, const std::string& webDirUtf8);

extern const char* const kKeysOptOutLine;

// The last line of a run: the recorded exit reason, or the note that nobody recorded one.
std::string exitLine(const std::string& exitReason);

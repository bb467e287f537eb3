#pragma once
#include <string>

// The launcher's version, in the start line and the page's hello reply.
extern const char* const kLauncherVersion;

std::string startLine(const std::string& kitDirUtf8, const std::string& server, bool sandbox);

extern const char* const kExitLine;

extern const wchar_t* const kMessageCaption;
extern const wchar_t* const kMissingFilesText;
extern const wchar_t* const kMissingRuntimeText;

#pragma once
#include <string>

// The launcher's version, in the start line and the page's hello reply.
extern const char* const kLauncherVersion;

std::string startLine(const std::string& kitDirUtf8, const std::string& server, bool sandbox);

extern const char* const kExitLine;

extern const wchar_t* const kMessageCaption;
extern const wchar_t* const kMissingFilesText;
extern const wchar_t* const kMissingRuntimeText;

// HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND): what the loader reports when no runtime is
// installed. Only this failure is the missing runtime; every other one is told as it is.
constexpr unsigned long kRuntimeNotFound = 0x80070002UL;

// The box for a WebView2 environment that could not be made: the missing-runtime advice for
// kRuntimeNotFound, otherwise which step failed, its code (with its meaning where it has a
// plain one) and the data folder the runtime was given.
std::wstring environmentFailureText(const std::wstring& step, unsigned long result,
                                    const std::wstring& dataDir);

#pragma once
#include <string>
#include <vector>

// How the stand-in was started, as the tests read it back.
struct Invocation {
    std::wstring commandLine;
    std::vector<std::wstring> argv;
    std::wstring cwd;
    bool elevated = false;
    bool hasStdout = false;
};

Invocation currentInvocation();

// The value after a named parameter (-Action, -Kit, ...), compared without case; empty when
// absent.
std::wstring parameter(const Invocation& invocation, const std::wstring& name);

std::string toUtf8(const std::wstring& text);

// Appends the invocation as one JSON line to the file.
void recordInvocation(const Invocation& invocation, const std::wstring& path);

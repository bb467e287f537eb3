#pragma once
#include <cstddef>
#include <string>
#include <string_view>

// The script's status output as the page gets it.

// Where the raw status starts: the output's first left brace, or its end when there is none.
size_t rawStatusStart(std::string_view output);

// From the first left brace to the end; empty when there is none.
std::string rawStatus(const std::string& output);

// {"type":"status","raw":...} and, when PowerShell could not be started, the "why" member.
// Built in one string with the raw status quoted straight into it: a status runs to megabytes.
std::string statusReply(std::string_view raw, bool started);

std::string statusLogLine(size_t bytes, unsigned long milliseconds);

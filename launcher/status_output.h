#pragma once
#include <string>

// The script's status output as the page gets it.

// From the first left brace to the end; empty when there is none.
std::string rawStatus(const std::string& output);

// {"type":"status","raw":...} and, when PowerShell could not be started, the "why" member.
std::string statusReply(const std::string& raw, bool started);

std::string statusLogLine(size_t bytes, unsigned long milliseconds);

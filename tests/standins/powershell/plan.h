#pragma once
#include <string>

// Runs a plan file step by step; returns the exit code it asks for (0 by default).
int runPlan(const std::wstring& planPath, const std::wstring& controlDir,
            const std::wstring& runDir);

// Undoes \\, \r, \n, \t and \xHH.
std::string unescape(const std::string& text);

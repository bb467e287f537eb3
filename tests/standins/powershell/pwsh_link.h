#pragma once
#include <string>

#include "invocation.h"

// Runs the kit script in real PowerShell on the Linux side: the invocation's Wine drive paths
// (its arguments and working folder) are mapped to Linux paths and sent to the test's runner on
// 127.0.0.1:port, whose standard output and error are written to this process's own handles.
// Returns the script's exit code; 1 with a line on standard error when the runner cannot be had.
int runInLinuxPowerShell(const Invocation& invocation, unsigned short port);

// The Linux path of a Wine path ("Z:\a b\c" -> "/a b/c"), also for paths whose last folders do
// not exist yet; empty when Wine cannot map it (or this is not Wine).
std::string linuxPath(const std::wstring& windowsPath);

#pragma once
#include <string>

#include "local_path.h"

// The launcher's file-system calls.

// Absolute form of a path, without trailing separators (a drive root keeps its own).
std::wstring fullPath(const std::wstring& path);

// Creates the folder with its parents, then tries to create and delete a probe file in it.
bool canWriteFolder(const std::wstring& folder);

// A file's bytes up to about limit, without a UTF-8 byte order mark; empty when it cannot
// be opened.
std::string readTextFile(const std::wstring& path, size_t limit);

PathKind pathKind(const std::wstring& path);

// Drive-letter paths only, see checkLocalPath in the core.
bool checkLocalPath(const std::wstring& path, bool wantFolder);

FileSystemView realFileSystem();

#pragma once
#include <cstdio>
#include <string>

// The page's two settings files: read whole, replaced atomically through a temporary file
// beside the target (the target's name with ".tmp" appended).

// False when the file cannot be opened; an empty file is ok with no bytes.
bool loadPageFile(const std::wstring& path, std::string& bytes);

// True only when the new content is in place whole. A failed write or close leaves the
// old file untouched: the temporary file is then never moved onto it.
bool savePageFile(const std::wstring& path, const std::string& bytes);

// Platform halves: a file opened shared with other readers and writers (binary mode), and
// the move that replaces an existing target.
std::FILE* openSharedFile(const std::wstring& path, const wchar_t* mode);
bool replaceFile(const std::wstring& from, const std::wstring& to);

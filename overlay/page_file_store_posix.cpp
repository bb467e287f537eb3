#include "page_file_store.h"

#include <cstdio>

#include "utf8.h"

// Paths are kept as UTF-16 like on Windows; the file system takes them as UTF-8.
std::FILE* openSharedFile(const std::wstring& path, const wchar_t* mode) {
    std::string narrowMode(mode, mode + std::char_traits<wchar_t>::length(mode));
    return std::fopen(toUtf8(path).c_str(), narrowMode.c_str());
}

bool replaceFile(const std::wstring& from, const std::wstring& to) {
    return std::rename(toUtf8(from).c_str(), toUtf8(to).c_str()) == 0;
}

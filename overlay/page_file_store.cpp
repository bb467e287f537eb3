#include "page_file_store.h"

bool loadPageFile(const std::wstring& path, std::string& bytes) {
    bytes.clear();
    std::FILE* file = openSharedFile(path, L"rb");
    if (!file)
        return false;
    char chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.append(chunk, got);
    std::fclose(file);
    return true;
}

bool savePageFile(const std::wstring& path, const std::string& bytes) {
    std::wstring temporary = path + L".tmp";
    std::FILE* file = openSharedFile(temporary, L"wb");
    if (!file)
        return false;
    // A full disk shows in the write or, with buffering, only in the close: both count, so a
    // short temporary file never replaces a good one.
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    written = std::fflush(file) == 0 && written;
    if (std::fclose(file) != 0 || !written)
        return false;
    return replaceFile(temporary, path);
}

#include "user_data_folder.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr DWORD kOptionsSize = 65536;

std::vector<HANDLE> joined; // one shared section per folder this program's browser serves

std::wstring programFile() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::wstring(path, length);
}

bool isAbsolute(const std::wstring& path) {
    if (path.size() >= 2 && (path[0] == L'\\' || path[0] == L'/'))
        return true; // UNC or the current drive's root
    return path.size() >= 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/');
}

std::wstring fullPath(const std::wstring& path) {
    wchar_t buffer[1024];
    const DWORD length = GetFullPathNameW(path.c_str(), 1024, buffer, nullptr);
    if (length == 0 || length >= 1024)
        return path;
    std::wstring full(buffer, length);
    while (full.size() > 3 && (full.back() == L'\\' || full.back() == L'/'))
        full.pop_back();
    return full;
}

// Where the path's components start to be folders that may need creating.
size_t firstCreatable(const std::wstring& path) {
    if (path.rfind(L"\\\\", 0) == 0) { // \\server\share\...
        size_t share = path.find(L'\\', 2);
        size_t rest = share == std::wstring::npos ? share : path.find(L'\\', share + 1);
        return rest == std::wstring::npos ? path.size() : rest + 1;
    }
    return path.size() >= 3 && path[1] == L':' ? 3 : 0;
}

HRESULT createFolder(const std::wstring& folder) {
    for (size_t at = firstCreatable(folder); at <= folder.size();) {
        size_t end = folder.find_first_of(L"\\/", at);
        if (end == std::wstring::npos)
            end = folder.size();
        const std::wstring part = folder.substr(0, end);
        if (end > at && !CreateDirectoryW(part.c_str(), nullptr)) {
            const DWORD error = GetLastError();
            if (error != ERROR_ALREADY_EXISTS)
                return HRESULT_FROM_WIN32(error);
            const DWORD attributes = GetFileAttributesW(part.c_str());
            if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
                return HRESULT_FROM_WIN32(ERROR_FILE_EXISTS);
        }
        at = end + 1;
    }
    return S_OK;
}

HRESULT checkWritable(const std::wstring& folder) {
    const std::wstring probe = folder + L"\\vyr_standin_write_check.tmp";
    HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return HRESULT_FROM_WIN32(GetLastError());
    CloseHandle(file);
    return S_OK;
}

// Kernel object names cannot hold backslashes: the folder goes in as a hash of its letters.
std::wstring sectionName(const std::wstring& folder) {
    std::wstring lower = folder;
    if (!lower.empty())
        CharLowerBuffW(lower.data(), static_cast<DWORD>(lower.size()));
    unsigned long long hash = 1469598103934665603ull;
    for (wchar_t c : lower) {
        hash ^= static_cast<unsigned long long>(c);
        hash *= 1099511628211ull;
    }
    wchar_t name[80];
    std::swprintf(name, 80, L"Local\\VYRStandinWebView2Folder-%016llx", hash);
    return name;
}

} // namespace

HRESULT prepareUserDataFolder(const wchar_t* given, std::wstring& folder) {
    const std::wstring program = programFile();
    if (!given || !*given) {
        folder = program + L".WebView2";
    } else {
        folder = given;
        if (!isAbsolute(folder)) {
            const size_t slash = program.find_last_of(L"\\/");
            folder = program.substr(0, slash == std::wstring::npos ? 0 : slash + 1) + folder;
        }
    }
    folder = fullPath(folder);
    const HRESULT created = createFolder(folder);
    return FAILED(created) ? created : checkWritable(folder);
}

HRESULT joinUserDataFolder(const std::wstring& folder, const std::string& options) {
    HANDLE section = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                        kOptionsSize, sectionName(folder).c_str());
    if (!section)
        return S_OK; // nothing to compare with: as if alone
    const bool others = GetLastError() == ERROR_ALREADY_EXISTS;
    char* shared = static_cast<char*>(MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, kOptionsSize));
    if (!shared) {
        CloseHandle(section);
        return S_OK;
    }
    const std::string mine = options.substr(0, kOptionsSize - 1);
    bool same = true;
    if (others && shared[0] != '\0')
        same = std::strncmp(shared, mine.c_str(), kOptionsSize) == 0;
    else
        std::memcpy(shared, mine.c_str(), mine.size() + 1);
    UnmapViewOfFile(shared);
    if (!same) {
        CloseHandle(section);
        return HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
    }
    joined.push_back(section);
    return S_OK;
}

void leaveUserDataFolders() {
    for (HANDLE section : joined)
        CloseHandle(section);
    joined.clear();
}

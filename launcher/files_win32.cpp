#include "files.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdio>

#include "full_path.h"
#include "kit_layout.h"
#include "text_file.h"

std::wstring fullPath(const std::wstring& path) {
    wchar_t buffer[kFullPathBuffer];
    DWORD returned = GetFullPathNameW(path.c_str(), kFullPathBuffer, buffer, nullptr);
    return fullPathResult(path, buffer, returned);
}

bool canWriteFolder(const std::wstring& folder) {
    SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    std::wstring probe = writeProbePathFor(folder);
    HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_TEMPORARY, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    DeleteFileW(probe.c_str());
    return true;
}

std::string readTextFile(const std::wstring& path, size_t limit) {
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file)
        return {};
    std::string text = readTextStream(file, limit);
    std::fclose(file);
    return text;
}

PathKind pathKind(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return PathKind::missing;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::folder : PathKind::file;
}

bool checkLocalPath(const std::wstring& path, bool wantFolder) {
    return checkLocalPath(path, wantFolder, pathKind);
}

FileSystemView realFileSystem() {
    FileSystemView view;
    view.fullPath = fullPath;
    view.kindOf = pathKind;
    return view;
}

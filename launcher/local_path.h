#pragma once
#include <functional>
#include <string>

// What stands at a path, as the file system answers.
enum class PathKind { missing, file, folder };

using PathKindQuery = std::function<PathKind(const std::wstring&)>;
using PathResolverQuery = std::function<std::wstring(const std::wstring&)>;

// The file system as the page bridge sees it; the program passes the real calls, the tests
// a fake folder tree.
struct FileSystemView {
    PathResolverQuery fullPath;
    PathKindQuery kindOf;
};

// Paths the page may name: a drive-letter path of 4 to 1000 units without a double quote
// or a NUL.
// UNC and relative paths are refused before the file system is asked.
bool localPathShapeAllowed(const std::wstring& path);

// The shape rule, then a folder (wantFolder) or a file must stand there.
bool checkLocalPath(const std::wstring& path, bool wantFolder, const PathKindQuery& kindOf);

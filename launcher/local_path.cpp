#include "local_path.h"

bool localPathShapeAllowed(const std::wstring& path) {
    if (path.size() < 4 || path.size() > 1000)
        return false;
    if (path.find(L'"') != std::wstring::npos)
        return false;
    // The system would see only the part before a NUL, not the path that was checked.
    if (path.find(L'\0') != std::wstring::npos)
        return false;
    return path[1] == L':';
}

bool checkLocalPath(const std::wstring& path, bool wantFolder, const PathKindQuery& kindOf) {
    if (!localPathShapeAllowed(path))
        return false;
    PathKind kind = kindOf(path);
    return wantFolder ? kind == PathKind::folder : kind == PathKind::file;
}

#include "page_file_store.h"

#include <share.h>
#include <windows.h>

std::FILE* openSharedFile(const std::wstring& path, const wchar_t* mode) {
    return _wfsopen(path.c_str(), mode, _SH_DENYNO);
}

bool replaceFile(const std::wstring& from, const std::wstring& to) {
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

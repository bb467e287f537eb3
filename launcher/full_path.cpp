#include "full_path.h"

std::wstring fullPathResult(const std::wstring& input, const wchar_t* buffer,
                            unsigned long returned) {
    if (returned == 0 || returned >= kFullPathBuffer || !buffer)
        return trimTrailingSeparators(input);
    return trimTrailingSeparators(std::wstring(buffer, returned));
}

std::wstring trimTrailingSeparators(std::wstring path) {
    while (path.size() > 3 && (path.back() == L'\\' || path.back() == L'/'))
        path.pop_back();
    return path;
}

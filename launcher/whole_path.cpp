#include "whole_path.h"

#include <vector>

namespace {

constexpr size_t kFirstSize = 260;
constexpr size_t kLongestPath = 32767;

} // namespace

std::wstring readWholePath(const std::function<size_t(wchar_t*, size_t)>& read) {
    for (size_t size = kFirstSize;; size *= 2) {
        std::vector<wchar_t> buffer(size);
        size_t length = read(buffer.data(), size);
        if (length == 0)
            return L"";
        if (length < size)
            return std::wstring(buffer.data(), length);
        if (size > kLongestPath)
            return L"";
    }
}

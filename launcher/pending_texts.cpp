#include "pending_texts.h"

#include <algorithm>
#include <mutex>
#include <unordered_set>

namespace {

std::mutex& pendingLock() {
    static std::mutex lock;
    return lock;
}

std::unordered_set<const void*>& pending() {
    static std::unordered_set<const void*> texts;
    return texts;
}

} // namespace

wchar_t* addPendingText(const std::wstring& text) {
    auto* copy = new wchar_t[text.size() + 1];
    std::copy(text.begin(), text.end(), copy);
    copy[text.size()] = L'\0';
    std::lock_guard<std::mutex> hold(pendingLock());
    pending().insert(copy);
    return copy;
}

std::unique_ptr<wchar_t[]> takePendingText(const void* text) {
    std::lock_guard<std::mutex> hold(pendingLock());
    if (!text || pending().erase(text) == 0)
        return nullptr;
    return std::unique_ptr<wchar_t[]>(static_cast<wchar_t*>(const_cast<void*>(text)));
}

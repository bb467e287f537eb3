#include "pending_texts.h"

#include <mutex>
#include <unordered_map>

namespace {

std::mutex& pendingLock() {
    static std::mutex lock;
    return lock;
}

// Keyed by the characters handed out; the strings live on the heap, so their characters do
// not move while the table grows.
std::unordered_map<const void*, std::unique_ptr<std::wstring>>& pending() {
    static std::unordered_map<const void*, std::unique_ptr<std::wstring>> texts;
    return texts;
}

} // namespace

wchar_t* addPendingText(std::wstring text) {
    auto owned = std::make_unique<std::wstring>(std::move(text));
    wchar_t* characters = owned->data();
    std::lock_guard<std::mutex> hold(pendingLock());
    pending().emplace(characters, std::move(owned));
    return characters;
}

std::unique_ptr<std::wstring> takePendingText(const void* text) {
    std::lock_guard<std::mutex> hold(pendingLock());
    auto found = text ? pending().find(text) : pending().end();
    if (found == pending().end())
        return nullptr;
    std::unique_ptr<std::wstring> owned = std::move(found->second);
    pending().erase(found);
    return owned;
}

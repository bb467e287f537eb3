#include "layout_commands.h"

namespace {

std::uint64_t handleBits(HKL layout) {
    return static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(layout));
}

void layoutOutcome(Request& r, HKL result) {
    DWORD error = result ? 0 : GetLastError();
    r.reply.add("ok", true)
        .add("result", handleBits(result))
        .add("lastError", static_cast<long long>(error))
        .add("layout", handleBits(GetKeyboardLayout(0)));
}

} // namespace

void loadLayout(Request& r) {
    UINT flags = r.argCount() > 1 ? static_cast<UINT>(r.number(1)) : KLF_ACTIVATE;
    layoutOutcome(r, LoadKeyboardLayoutW(fromUtf8(r.arg(0)).c_str(), flags));
}

void activateLayout(Request& r) {
    auto bits = static_cast<std::uintptr_t>(std::strtoull(r.arg(0).c_str(), nullptr, 0));
    UINT flags = r.argCount() > 1 ? static_cast<UINT>(r.number(1)) : 0;
    layoutOutcome(r, ActivateKeyboardLayout(reinterpret_cast<HKL>(bits), flags));
}

void layouts(Request& r) {
    HKL list[64] = {};
    int count = GetKeyboardLayoutList(64, list);
    std::string json = "[";
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            json += ',';
        json += std::to_string(handleBits(list[i]));
    }
    json += ']';
    r.reply.add("ok", true).addRaw("layouts", json).add("layout", handleBits(GetKeyboardLayout(0)));
}

// What another process sees of a thread's layout: the overlay's own view of the game.
void threadLayout(Request& r) {
    r.reply.add("ok", true)
        .add("layout", handleBits(GetKeyboardLayout(static_cast<DWORD>(r.number(0)))));
}

void honour(Request& r) {
    game.honourLayoutRequests = r.arg(0) == "on";
    succeed(r);
}

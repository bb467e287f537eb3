#pragma once
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "game_state.h"
#include "json_text.h"

// One request being answered: its fields, its reply and the game window it names.
struct Request {
    const std::vector<std::string>& fields;
    JsonText& reply;
    int index;
    GameWindow* window;

    size_t argCount() const { return fields.size() > 2 ? fields.size() - 2 : 0; }
    const std::string& arg(size_t i) const { return fields[i + 2]; }
    long long number(size_t i) const { return std::strtoll(arg(i).c_str(), nullptr, 0); }
    int integer(size_t i) const { return static_cast<int>(number(i)); }
};

inline void fail(Request& request, const char* why) {
    request.reply.add("ok", false).add("error", why);
}

inline void succeed(Request& request) {
    request.reply.add("ok", true);
}

// Success and failure of a platform call, with the error behind a failure.
inline void platformResult(Request& request, BOOL result) {
    DWORD error = result ? 0 : GetLastError();
    request.reply.add("ok", true)
        .add("result", result != FALSE)
        .add("lastError", static_cast<long long>(error));
}

inline HWND windowArg(Request& r, size_t i) {
    return reinterpret_cast<HWND>(
        static_cast<std::uintptr_t>(std::strtoull(r.arg(i).c_str(), nullptr, 0)));
}

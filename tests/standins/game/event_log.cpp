#include "event_log.h"

#include <cstdint>

#include "json_text.h"

namespace {

struct MessageName {
    UINT message;
    const char* name;
};

constexpr MessageName reported[] = {
    {WM_INPUTLANGCHANGEREQUEST, "WM_INPUTLANGCHANGEREQUEST"},
    {WM_INPUTLANGCHANGE, "WM_INPUTLANGCHANGE"},
    {WM_SIZE, "WM_SIZE"},
    {WM_MOVE, "WM_MOVE"},
    {WM_ACTIVATE, "WM_ACTIVATE"},
    {WM_ACTIVATEAPP, "WM_ACTIVATEAPP"},
    {WM_SETFOCUS, "WM_SETFOCUS"},
    {WM_LBUTTONDOWN, "WM_LBUTTONDOWN"},
    {WM_KILLFOCUS, "WM_KILLFOCUS"},
    {WM_STYLECHANGED, "WM_STYLECHANGED"},
    {WM_SHOWWINDOW, "WM_SHOWWINDOW"},
    {WM_PARENTNOTIFY, "WM_PARENTNOTIFY"},
    {WM_CLOSE, "WM_CLOSE"},
    {WM_DESTROY, "WM_DESTROY"},
};

std::vector<std::string> events;

const char* nameOf(UINT message) {
    for (const MessageName& entry : reported)
        if (entry.message == message)
            return entry.name;
    return "?";
}

std::uint64_t bits(std::uintptr_t value) {
    return static_cast<std::uint64_t>(value);
}

} // namespace

bool isReportedMessage(UINT message) {
    return nameOf(message)[0] != '?';
}

void recordEvent(int window, bool focusChild, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                 const char* extra) {
    JsonText event;
    event.add("n", static_cast<long long>(events.size()))
        .add("msg", nameOf(message))
        .add("window", static_cast<long long>(window))
        .add("target", focusChild ? "focus" : "top")
        .add("hwnd", hwnd)
        .add("wParam", bits(wParam))
        .add("lParam", bits(static_cast<std::uintptr_t>(lParam)))
        .add("tick", static_cast<long long>(GetTickCount()));
    if (message == WM_MOVE) {
        // Signed: a minimised window sits at -32000.
        event.add("x", static_cast<long long>(static_cast<short>(LOWORD(lParam))))
            .add("y", static_cast<long long>(static_cast<short>(HIWORD(lParam))));
    }
    if (message == WM_SIZE) {
        event.add("width", static_cast<long long>(LOWORD(lParam)))
            .add("height", static_cast<long long>(HIWORD(lParam)));
    }
    if (message == WM_STYLECHANGED) {
        const auto* change = reinterpret_cast<const STYLESTRUCT*>(lParam);
        event.add("old", static_cast<long long>(change->styleOld))
            .add("new", static_cast<long long>(change->styleNew));
    }
    if (extra)
        event.add("note", extra);
    events.push_back(event.done());
}

std::string eventsFrom(size_t first, size_t limit, size_t& count) {
    count = events.size();
    std::string out = "[";
    for (size_t i = first; i < events.size() && i - first < limit; ++i) {
        if (out.size() > 1)
            out += ',';
        out += events[i];
    }
    return out + "]";
}

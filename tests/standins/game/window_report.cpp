#include "window_report.h"

#include <cstdint>

namespace {

std::wstring classOf(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

std::wstring titleOf(HWND window) {
    wchar_t title[512] = {};
    GetWindowTextW(window, title, 512);
    return title;
}

long long styleOf(HWND window, int which) {
    return static_cast<long long>(static_cast<DWORD>(GetWindowLongPtrW(window, which)));
}

// Fields every listed window carries, whatever its relation to the game window.
JsonText describe(HWND window) {
    DWORD pid = 0;
    DWORD tid = GetWindowThreadProcessId(window, &pid);
    RECT screen{};
    GetWindowRect(window, &screen);
    JsonText entry;
    entry.add("hwnd", window)
        .add("class", classOf(window))
        .add("title", titleOf(window))
        .add("pid", static_cast<long long>(pid))
        .add("tid", static_cast<long long>(tid))
        .add("screen", screen)
        .add("visible", IsWindowVisible(window) != FALSE)
        .add("style", styleOf(window, GWL_STYLE))
        .add("exstyle", styleOf(window, GWL_EXSTYLE))
        .add("dpi", static_cast<long long>(GetAwarenessFromDpiAwarenessContext(
                        GetWindowDpiAwarenessContext(window)))); // 0 unaware, 1 system, 2 monitor
    return entry;
}

struct Listing {
    HWND top;
    std::string json = "[";
};

void append(Listing& listing, const std::string& entry) {
    if (listing.json.size() > 1)
        listing.json += ',';
    listing.json += entry;
}

BOOL CALLBACK visitChild(HWND child, LPARAM param) {
    auto& listing = *reinterpret_cast<Listing*>(param);
    JsonText entry = describe(child);
    // Relative to the game's client area: where the overlay must sit.
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, listing.top, reinterpret_cast<POINT*>(&rect), 2);
    entry.add("rect", rect).add("parent", GetAncestor(child, GA_PARENT));
    append(listing, entry.done());
    return TRUE;
}

BOOL CALLBACK visitOwned(HWND window, LPARAM param) {
    auto& listing = *reinterpret_cast<Listing*>(param);
    if (GetWindow(window, GW_OWNER) == listing.top)
        append(listing, describe(window).add("owner", listing.top).done());
    return TRUE;
}

} // namespace

void addWindowState(JsonText& reply, int index, const GameWindow& window) {
    reply.add("index", static_cast<long long>(index))
        .add("hwnd", window.top)
        .add("focusChild", window.focus)
        .add("exists", IsWindow(window.top) != FALSE);
    if (!IsWindow(window.top))
        return;
    DWORD pid = 0;
    DWORD tid = GetWindowThreadProcessId(window.top, &pid);
    RECT rect{}, client{};
    GetWindowRect(window.top, &rect);
    GetClientRect(window.top, &client);
    POINT origin{0, 0};
    ClientToScreen(window.top, &origin);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(window.top, MONITOR_DEFAULTTONEAREST), &monitor);
    auto layout = reinterpret_cast<std::uintptr_t>(GetKeyboardLayout(tid));
    reply.add("class", classOf(window.top))
        .add("title", titleOf(window.top))
        .add("pid", static_cast<long long>(pid))
        .add("tid", static_cast<long long>(tid))
        .add("rect", rect)
        .add("client", client)
        .addRaw("origin", jsonArray({origin.x, origin.y}))
        .add("style", styleOf(window.top, GWL_STYLE))
        .add("exstyle", styleOf(window.top, GWL_EXSTYLE))
        .add("visible", IsWindowVisible(window.top) != FALSE)
        .add("iconic", IsIconic(window.top) != FALSE)
        .add("zoomed", IsZoomed(window.top) != FALSE)
        .add("layout", static_cast<std::uint64_t>(layout))
        .add("foreground", GetForegroundWindow())
        .add("active", GetActiveWindow())
        .add("focus", GetFocus())
        .add("parent", GetParent(window.top))
        .add("owner", GetWindow(window.top, GW_OWNER))
        .add("monitor", monitor.rcMonitor)
        .add("work", monitor.rcWork);
}

std::string childrenOf(HWND top) {
    Listing listing{top};
    EnumChildWindows(top, visitChild, reinterpret_cast<LPARAM>(&listing));
    return listing.json + "]";
}

std::string windowsOwnedBy(HWND top) {
    Listing listing{top};
    EnumWindows(visitOwned, reinterpret_cast<LPARAM>(&listing));
    return listing.json + "]";
}

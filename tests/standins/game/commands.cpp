#include "commands.h"

#include <cstdint>
#include <cstdlib>

#include "event_log.h"
#include "game_windows.h"
#include "layout_commands.h"
#include "request.h"
#include "window_report.h"

namespace {

// Events per reply: keeps a datagram far below the UDP limit.
constexpr size_t eventsPerReply = 40;

constexpr UINT moveFlags = SWP_NOZORDER | SWP_NOACTIVATE;

void move(Request& r) {
    platformResult(r, SetWindowPos(r.window->top, nullptr, r.integer(0), r.integer(1), 0, 0,
                                   moveFlags | SWP_NOSIZE));
}

void size(Request& r) {
    platformResult(r, SetWindowPos(r.window->top, nullptr, 0, 0, r.integer(0), r.integer(1),
                                   moveFlags | SWP_NOMOVE));
}

void place(Request& r) {
    platformResult(r, SetWindowPos(r.window->top, nullptr, r.integer(0), r.integer(1), r.integer(2),
                                   r.integer(3), moveFlags));
}

void clientSize(Request& r) {
    HWND top = r.window->top;
    RECT outer{0, 0, r.integer(0), r.integer(1)};
    AdjustWindowRectEx(&outer, static_cast<DWORD>(GetWindowLongPtrW(top, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(top, GWL_EXSTYLE)));
    platformResult(r, SetWindowPos(top, nullptr, 0, 0, outer.right - outer.left,
                                   outer.bottom - outer.top, moveFlags | SWP_NOMOVE));
}

void show(Request& r, int how) {
    // ShowWindow answers the previous visibility, not success.
    r.reply.add("ok", true).add("wasVisible", ShowWindow(r.window->top, how) != FALSE);
}

void setStyle(Request& r, int which) {
    LONG_PTR old = SetWindowLongPtrW(r.window->top, which, static_cast<LONG_PTR>(r.number(0)));
    SetWindowPos(r.window->top, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    r.reply.add("ok", true).add("old", static_cast<long long>(static_cast<DWORD>(old)));
}

void focus(Request& r) {
    bool top = r.argCount() > 0 && r.arg(0) == "top";
    HWND previous = SetFocus(top ? r.window->top : r.window->focus);
    r.reply.add("ok", true).add("previous", previous).add("focus", GetFocus());
}

// Posts any message to any window, as another program would.
void post(Request& r) {
    auto bits = [&r](size_t i) { return std::strtoull(r.arg(i).c_str(), nullptr, 0); };
    platformResult(r, PostMessageW(windowArg(r, 0), static_cast<UINT>(bits(1)),
                                   static_cast<WPARAM>(bits(2)), static_cast<LPARAM>(bits(3))));
}

void events(Request& r) {
    size_t first = r.argCount() > 0 ? static_cast<size_t>(r.number(0)) : 0;
    size_t count = 0;
    std::string list = eventsFrom(first, eventsPerReply, count);
    r.reply.add("ok", true).add("count", static_cast<long long>(count)).addRaw("events", list);
}

void windows(Request& r) {
    std::string json = "[";
    for (size_t i = 0; i < game.windows.size(); ++i) {
        JsonText entry;
        addWindowState(entry, static_cast<int>(i), game.windows[i]);
        if (i > 0)
            json += ',';
        json += entry.done();
    }
    json += ']';
    r.reply.add("ok", true).addRaw("windows", json);
}

void create(Request& r) {
    RECT outer{160, 160, 160 + 640, 160 + 480};
    if (r.argCount() >= 7)
        outer = {r.integer(3), r.integer(4), r.integer(3) + r.integer(5),
                 r.integer(4) + r.integer(6)};
    bool hidden = r.argCount() > 2 && r.arg(2) == "hidden";
    int index = createGameWindow(fromUtf8(r.arg(0)), fromUtf8(r.arg(1)), outer, hidden);
    if (index < 0)
        return fail(r, "the window was not created");
    succeed(r);
    addWindowState(r.reply, index, game.windows[static_cast<size_t>(index)]);
}

// What the overlay does to its own window in child mode: lets a second game stand in for it.
void setParent(Request& r) {
    HWND top = r.window->top;
    HWND parent = windowArg(r, 0);
    LONG_PTR style = GetWindowLongPtrW(top, GWL_STYLE);
    style = parent ? (style & ~static_cast<LONG_PTR>(WS_POPUP | WS_OVERLAPPEDWINDOW)) | WS_CHILD
                   : (style & ~static_cast<LONG_PTR>(WS_CHILD)) | WS_OVERLAPPEDWINDOW;
    SetWindowLongPtrW(top, GWL_STYLE, style);
    HWND previous = SetParent(top, parent);
    r.reply.add("ok", true).add("previous", previous).add("parent", GetAncestor(top, GA_PARENT));
}

// ... and in owned mode.
void setOwner(Request& r) {
    SetWindowLongPtrW(r.window->top, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(windowArg(r, 0)));
    r.reply.add("ok", true).add("owner", GetWindow(r.window->top, GW_OWNER));
}

void state(Request& r) {
    succeed(r);
    addWindowState(r.reply, r.index, *r.window);
}

void children(Request& r) {
    succeed(r);
    r.reply.addRaw("children", childrenOf(r.window->top));
}

void owned(Request& r) {
    succeed(r);
    r.reply.addRaw("owned", windowsOwnedBy(r.window->top));
}

struct Command {
    const char* verb;
    size_t args;      // the least argument count
    bool needsWindow; // a live game window at the request's index
    void (*run)(Request&);
};

const Command commands[] = {
    {"ping", 0, false, succeed},
    {"windows", 0, false, windows},
    {"events", 0, false, events},
    {"layouts", 0, false, layouts},
    {"loadlayout", 1, false, loadLayout},
    {"activatelayout", 1, false, activateLayout},
    {"threadlayout", 1, false, threadLayout},
    {"post", 4, false, post},
    {"honour", 1, false, honour},
    {"create", 2, false, create},
    {"state", 0, true, state},
    {"children", 0, true, children},
    {"owned", 0, true, owned},
    {"move", 2, true, move},
    {"size", 2, true, size},
    {"clientsize", 2, true, clientSize},
    {"place", 4, true, place},
    {"minimize", 0, true, [](Request& r) { show(r, SW_MINIMIZE); }},
    {"restore", 0, true, [](Request& r) { show(r, SW_RESTORE); }},
    {"maximize", 0, true, [](Request& r) { show(r, SW_MAXIMIZE); }},
    {"hide", 0, true, [](Request& r) { show(r, SW_HIDE); }},
    {"show", 0, true, [](Request& r) { show(r, SW_SHOW); }},
    {"shownoactivate", 0, true, [](Request& r) { show(r, SW_SHOWNA); }},
    // Posted, as a click on the close box would: the reply goes out first.
    {"close", 0, true,
     [](Request& r) { platformResult(r, PostMessageW(r.window->top, WM_CLOSE, 0, 0)); }},
    {"destroy", 0, true, [](Request& r) { platformResult(r, DestroyWindow(r.window->top)); }},
    {"foreground", 0, true,
     [](Request& r) { platformResult(r, SetForegroundWindow(r.window->top)); }},
    {"focus", 0, true, focus},
    {"setstyle", 1, true, [](Request& r) { setStyle(r, GWL_STYLE); }},
    {"setparent", 1, true, setParent},
    {"setowner", 1, true, setOwner},
    {"setexstyle", 1, true, [](Request& r) { setStyle(r, GWL_EXSTYLE); }},
};

} // namespace

void runCommand(const std::vector<std::string>& fields, JsonText& reply) {
    int index = fields.size() > 1 ? std::atoi(fields[1].c_str()) : 0;
    Request request{fields, reply, index, gameWindowAt(index)};
    for (const Command& command : commands) {
        if (fields.empty() || fields[0] != command.verb)
            continue;
        if (request.argCount() < command.args)
            return fail(request, "too few arguments");
        if (command.needsWindow && (!request.window || !IsWindow(request.window->top)))
            return fail(request, "no such game window");
        return command.run(request);
    }
    fail(request, "unknown command");
}

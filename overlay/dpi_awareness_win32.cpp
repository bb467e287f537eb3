// Per-window DPI awareness: the calls exist from Windows 10 1607 on and are looked up at run
// time, as Windows 8 and 8.1 lack them; there every answer is "unknown".
#include "dpi_awareness.h"

namespace {

struct DpiCalls {
    DPI_AWARENESS_CONTEXT(WINAPI* windowContext)(HWND) = nullptr;
    DPI_AWARENESS_CONTEXT(WINAPI* threadContext)() = nullptr;
    DPI_AWARENESS_CONTEXT(WINAPI* setThreadContext)(DPI_AWARENESS_CONTEXT) = nullptr;
    BOOL(WINAPI* equal)(DPI_AWARENESS_CONTEXT, DPI_AWARENESS_CONTEXT) = nullptr;
};

template <typename Call> void lookUp(HMODULE user32, const char* name, Call& call) {
    call = reinterpret_cast<Call>(reinterpret_cast<void*>(GetProcAddress(user32, name)));
}

const DpiCalls& calls() {
    static const DpiCalls found = [] {
        DpiCalls result;
        if (HMODULE user32 = GetModuleHandleW(L"user32.dll")) {
            lookUp(user32, "GetWindowDpiAwarenessContext", result.windowContext);
            lookUp(user32, "GetThreadDpiAwarenessContext", result.threadContext);
            lookUp(user32, "SetThreadDpiAwarenessContext", result.setThreadContext);
            lookUp(user32, "AreDpiAwarenessContextsEqual", result.equal);
        }
        return result;
    }();
    return found;
}

struct NamedContext {
    DPI_AWARENESS_CONTEXT context;
    DpiMode mode;
};

const NamedContext kPredefined[] = {
    {DPI_AWARENESS_CONTEXT_UNAWARE, DpiMode::unaware},
    {DPI_AWARENESS_CONTEXT_SYSTEM_AWARE, DpiMode::systemAware},
    {DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE, DpiMode::perMonitor},
    {DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2, DpiMode::perMonitorV2},
    {DPI_AWARENESS_CONTEXT_UNAWARE_GDISCALED, DpiMode::unawareGdiScaled},
};

// Contexts are compared with AreDpiAwarenessContextsEqual, never by value, as documented.
DpiMode modeOf(DPI_AWARENESS_CONTEXT context) {
    if (!context || !calls().equal)
        return DpiMode::unknown;
    for (const NamedContext& named : kPredefined)
        if (calls().equal(context, named.context))
            return named.mode;
    return DpiMode::unknown;
}

} // namespace

DpiMode windowDpiMode(HWND window) {
    if (!window || !calls().windowContext)
        return DpiMode::unknown;
    return modeOf(calls().windowContext(window));
}

DpiMode threadDpiMode() {
    return calls().threadContext ? modeOf(calls().threadContext()) : DpiMode::unknown;
}

DPI_AWARENESS_CONTEXT enterThreadDpi(DpiMode mode) {
    if (!calls().setThreadContext)
        return nullptr;
    for (const NamedContext& named : kPredefined)
        if (named.mode == mode)
            return calls().setThreadContext(named.context);
    return nullptr;
}

void restoreThreadDpi(DPI_AWARENESS_CONTEXT previous) {
    if (previous && calls().setThreadContext)
        calls().setThreadContext(previous);
}

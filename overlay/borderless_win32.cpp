// The game window's borderless mode, switched by the game side's "window" word.
#include "borderless.h"

#include "borderless_geometry.h"
#include "host_window.h"
#include "log.h"
#include "overlay_state.h"

namespace {

ScreenRect fromRect(const RECT& rect) {
    return {rect.left, rect.top, rect.right, rect.bottom};
}

void makeBorderless(DWORD style) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    HMONITOR nearest = MonitorFromWindow(state.gameWindow, MONITOR_DEFAULTTONEAREST);
    if (!nearest || !GetMonitorInfoW(nearest, &monitor))
        return;
    RECT window{};
    GetWindowRect(state.gameWindow, &window);
    BorderlessStep step =
        borderlessStep(state.borderlessOn, style, fromRect(window), fromRect(monitor.rcMonitor));
    if (!step.change)
        return;
    if (step.remember) {
        state.framedStyle = style;
        state.framedRect = window;
    }
    SetWindowLongPtrW(state.gameWindow, GWL_STYLE, static_cast<LONG_PTR>(step.style));
    SetWindowPos(state.gameWindow, nullptr, step.rect.left, step.rect.top,
                 step.rect.right - step.rect.left, step.rect.bottom - step.rect.top,
                 kBorderlessMoveFlags);
    state.borderlessOn = true;
    logLine("%s", borderlessLine(step.rect).c_str());
    fit_to_game();
}

void frameAgain() {
    if (state.borderlessOn) {
        const RECT& rect = state.framedRect;
        SetWindowLongPtrW(state.gameWindow, GWL_STYLE, static_cast<LONG_PTR>(state.framedStyle));
        SetWindowPos(state.gameWindow, nullptr, rect.left, rect.top, rect.right - rect.left,
                     rect.bottom - rect.top, kFramedMoveFlags);
        state.borderlessOn = false;
        logLine("window: framed again");
    }
    fit_to_game();
}

} // namespace

void gameWindowCommand(const std::string& argument) {
    if (!state.gameWindow || !IsWindow(state.gameWindow))
        return;
    DWORD style = static_cast<DWORD>(GetWindowLongPtrW(state.gameWindow, GWL_STYLE));
    if (asksForBorderless(argument))
        makeBorderless(style);
    else
        frameAgain();
}

// Display modes, the start-up cover, mouse pass-through, the window region and focus.
#include "display_modes.h"

#include "datagram.h"
#include "host_window.h"
#include "log.h"
#include "overlay_state.h"
#include "page_host.h"
#include "page_host_rules.h"
#include "rate_stats.h"
#include "region_math.h"
#include "udp_link.h"

namespace {

constexpr COLORREF kColourKey = RGB(1, 0, 1);

// Whether the overlay moved the game thread's keyboard focus, and where it was then: the
// game's own focused window, often a child of its top window.
bool focusTaken = false;
HWND focusBefore = nullptr;

HWND gameFocusWindow(DWORD gameThread) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(gameThread, &info) || !info.hwndFocus)
        return state.gameWindow;
    return info.hwndFocus;
}

// Back to the window that had the focus, unless it went meanwhile or is no longer the game's.
HWND focusToGiveBack() {
    bool ours = focusBefore == state.hostWindow || IsChild(state.hostWindow, focusBefore);
    if (focusBefore && IsWindow(focusBefore) && !ours &&
        (focusBefore == state.gameWindow || IsChild(state.gameWindow, focusBefore)))
        return focusBefore;
    return state.gameWindow;
}

double rasterizationScale() {
    double scale = 1.0;
    Microsoft::WRL::ComPtr<ICoreWebView2Controller3> controller3;
    if (state.controller &&
        SUCCEEDED(state.controller->QueryInterface(
            IID_ICoreWebView2Controller3, reinterpret_cast<void**>(controller3.GetAddressOf()))))
        controller3->get_RasterizationScale(&scale);
    return scale;
}

} // namespace

void setMode(int mode) {
    if (!state.hostWindow)
        return;
    if (mode == 1 || mode == 2) {
        fit_to_game();
        ShowWindow(state.hostWindow, SW_SHOWNA);
        showPage(true);
    }
    if (mode != state.displayMode) {
        rateCount(RateEvent::modeChanges);
        logLine("mode %s", modeName(mode));
        state.displayMode = mode;
        applyPassThrough();
    }
    handFocus(mode == 2);
    if (mode == 0 && !state.covered) {
        showPage(false);
        ShowWindow(state.hostWindow, SW_HIDE);
    }
    state.active = mode == 2;
    sendToGame(stateText(mode));
}

void applyPassThrough() {
    if (!state.hostWindow)
        return;
    bool wanted = state.pageWantsThrough && state.displayMode == 1 && !state.covered;
    if (wanted == state.throughOn)
        return;
    rateCount(RateEvent::mouseOwnerSwitches);
    state.throughOn = wanted;
    LONG_PTR style = GetWindowLongPtrW(state.hostWindow, GWL_STYLE);
    LONG_PTR exStyle = GetWindowLongPtrW(state.hostWindow, GWL_EXSTYLE);
    if (wanted) {
        SetWindowLongPtrW(state.hostWindow, GWL_STYLE,
                          style & ~static_cast<LONG_PTR>(WS_CLIPCHILDREN));
        SetWindowLongPtrW(state.hostWindow, GWL_EXSTYLE,
                          exStyle | WS_EX_LAYERED | WS_EX_TRANSPARENT);
        if (!SetLayeredWindowAttributes(state.hostWindow, kColourKey, 255, LWA_COLORKEY))
            logLine("layered window refused (%lu) - is the manifest in the exe?", GetLastError());
    } else {
        SetWindowLongPtrW(state.hostWindow, GWL_EXSTYLE,
                          exStyle & ~static_cast<LONG_PTR>(WS_EX_LAYERED | WS_EX_TRANSPARENT));
        SetWindowLongPtrW(state.hostWindow, GWL_STYLE, style | WS_CLIPCHILDREN);
    }
    RedrawWindow(state.hostWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
    logLine("mouse: %s", wanted ? "the game's (the window out of the hit test)" : "ours");
}

void applyRegion(bool redraw) {
    if (!state.hostWindow)
        return;
    rateCount(RateEvent::setWindowRgn);
    HRGN region;
    if (state.covered) {
        RECT client{};
        GetClientRect(state.hostWindow, &client);
        region = CreateRectRgn(0, 0, client.right, client.bottom);
    } else {
        region = CreateRectRgn(0, 0, 0, 0);
        for (const RegionRect& r : scaledRegion(state.hitRects, rasterizationScale())) {
            HRGN part = CreateRectRgn(r.left, r.top, r.right, r.bottom);
            CombineRgn(region, region, part, RGN_OR);
            DeleteObject(part);
        }
    }
    // The window owns the region from here on; on failure it stays ours to delete.
    if (!SetWindowRgn(state.hostWindow, region, redraw ? TRUE : FALSE))
        DeleteObject(region);
}

void coverOff(const char* reason) {
    if (!state.covered)
        return;
    state.covered = false;
    logLine("cover off (%s)", reason);
    Microsoft::WRL::ComPtr<ICoreWebView2Controller2> controller2;
    if (state.controller &&
        SUCCEEDED(state.controller->QueryInterface(
            IID_ICoreWebView2Controller2, reinterpret_cast<void**>(controller2.GetAddressOf()))))
        controller2->put_DefaultBackgroundColor(COREWEBVIEW2_COLOR{0, 0, 0, 0});
    applyRegion(true);
    applyPassThrough();
    if (state.displayMode == 0) {
        showPage(false);
        ShowWindow(state.hostWindow, SW_HIDE);
    }
}

void handFocus(bool take) {
    if (!state.childMode || !state.gameWindow || !state.hostWindow)
        return;
    if (take) {
        if (!mayTakeFocus(state.controller != nullptr, state.pageReady))
            return;
        if (!focusTaken) {
            DWORD gameThread = GetWindowThreadProcessId(state.gameWindow, nullptr);
            DWORD ownThread = GetCurrentThreadId();
            focusBefore = gameFocusWindow(gameThread);
            if (state.focusAttachedThread == 0 && gameThread != 0 && gameThread != ownThread &&
                AttachThreadInput(ownThread, gameThread, TRUE))
                state.focusAttachedThread = gameThread;
            focusTaken = true;
        }
        rateCount(RateEvent::setFocus);
        SetFocus(state.hostWindow);
        rateCount(RateEvent::moveFocus);
        state.controller->MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC);
        return;
    }
    if (!focusTaken)
        return;
    focusTaken = false;
    HWND target = focusToGiveBack();
    if (GetFocus() != target) {
        rateCount(RateEvent::setFocus);
        SetFocus(target);
    }
    if (state.focusAttachedThread != 0) {
        AttachThreadInput(GetCurrentThreadId(), state.focusAttachedThread, FALSE);
        state.focusAttachedThread = 0;
    }
}

// The host window: the 100 ms tick that finds, binds and follows the game window, the
// exit rules, and the few messages the host answers itself.
#include "host_window.h"

#include "../common/bounded_format.h"
#include "display_modes.h"
#include "dpi_awareness.h"
#include "foreground.h"
#include "host_window_rules.h"
#include "layout_keeper.h"
#include "log.h"
#include "overlay_state.h"
#include "rate_stats.h"
#include "udp_link.h"
#include "utf8.h"

namespace {

FitGeometry lastFit;
POINT lastScreenOrigin{-1, -1}; // of the host window when the web view last heard of it

constexpr COLORREF kColourKey = RGB(1, 0, 1);

struct GameSearch {
    HWND found = nullptr;
};

BOOL CALLBACK matchGameWindow(HWND window, LPARAM param) {
    wchar_t className[64] = {};
    wchar_t title[128] = {};
    GetClassNameW(window, className, 64);
    GetWindowTextW(window, title, 128);
    if (state.gameClass == className && state.gameTitle == title && IsWindowVisible(window)) {
        reinterpret_cast<GameSearch*>(param)->found = window;
        return FALSE;
    }
    return TRUE;
}

bool gameWindowValid() {
    return state.gameWindow && IsWindow(state.gameWindow);
}

// A test hook: Wine knows no elevation, so a game that runs elevated, whose window refuses
// to become our parent, is played by VYR_TEST_SETPARENT_REFUSED=1 in the environment.
bool setParentRefusedForTest() {
    wchar_t value[4] = {};
    return GetEnvironmentVariableW(L"VYR_TEST_SETPARENT_REFUSED", value, 4) == 1 &&
           value[0] == L'1';
}

HWND parentToGame() {
    if (setParentRefusedForTest()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    return SetParent(state.hostWindow, state.gameWindow);
}

void bindAsOwned() {
    SetWindowLongPtrW(state.hostWindow, GWLP_HWNDPARENT,
                      reinterpret_cast<LONG_PTR>(state.gameWindow));
}

// The host as a pop-up owned by the game, as in owned mode, for good.
void becomeOwned(LONG_PTR popupStyle) {
    SetWindowLongPtrW(state.hostWindow, GWL_STYLE, popupStyle);
    LONG_PTR exStyle = GetWindowLongPtrW(state.hostWindow, GWL_EXSTYLE);
    SetWindowLongPtrW(state.hostWindow, GWL_EXSTYLE, exStyle | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW);
    state.childMode = false;
    bindAsOwned();
}

// Child mode: the child style goes on before SetParent, as SetParent asks of a window that
// was a child of the desktop. A game window of another DPI awareness than the host's (the host
// was made before the game was there) and a game window that will not be our parent (a game
// running elevated refuses it) get a pop-up owned by the game instead, as in owned mode,
// rather than a child that misbehaves or has no parent.
void bindToGame() {
    if (!state.childMode) {
        bindAsOwned();
        return;
    }
    LONG_PTR popupStyle = GetWindowLongPtrW(state.hostWindow, GWL_STYLE);
    DpiMode game = windowDpiMode(state.gameWindow);
    DpiMode host = windowDpiMode(state.hostWindow);
    if (dpiBinding(true, game, host) == DpiBinding::asOwned) {
        logLine("%s", dpiOwnedLine(game, host).c_str());
        becomeOwned(popupStyle);
        return;
    }
    LONG_PTR style =
        state.throughOn ? WS_CHILD | WS_CLIPSIBLINGS : WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    SetWindowLongPtrW(state.hostWindow, GWL_STYLE, style);
    if (parentToGame())
        return;
    logLine("SetParent refused (%lu) - the overlay is an owned window of the game instead",
            GetLastError());
    becomeOwned(popupStyle);
}

// The web view places its drop-downs and dialogs by the host window's place on the screen;
// it must hear whenever that changes, also when the game window carries a child host along.
void notifyIfMoved() {
    if (!state.controller || !state.hostWindow)
        return;
    RECT rect{};
    if (!GetWindowRect(state.hostWindow, &rect))
        return;
    if (rect.left == lastScreenOrigin.x && rect.top == lastScreenOrigin.y)
        return;
    lastScreenOrigin = POINT{rect.left, rect.top};
    state.controller->NotifyParentWindowPositionChanged();
}

// The game window's search while none is known, with the 60 s rule while there is none.
void searchForGame() {
    HWND found = findGameWindow();
    if (!found) {
        if (state.noGameSince == 0)
            state.noGameSince = GetTickCount();
        if (noGameTooLong(GetTickCount(), state.noGameSince)) {
            logLine("no game window for 60 s - exiting");
            requestExit("no game window for 60 s");
        }
        return;
    }
    state.gameWindow = found;
    state.gameProcessId = 0;
    GetWindowThreadProcessId(state.gameWindow, &state.gameProcessId);
    bindToGame();
    logLine("game window %p found (%s), process %s pid %lu", static_cast<void*>(state.gameWindow),
            state.childMode ? "child" : "owned", processImageName(state.gameProcessId).c_str(),
            static_cast<unsigned long>(state.gameProcessId));
    state.noGameSince = 0;
    fit_to_game();
    showCoverOverGame();
}

// The game's client rectangle, and its origin on the screen for an owned host (a child's is
// its parent's client area).
FitGeometry gameGeometry() {
    RECT client{};
    GetClientRect(state.gameWindow, &client);
    POINT origin{0, 0};
    if (!state.childMode)
        ClientToScreen(state.gameWindow, &origin);
    return FitGeometry{client.left, client.top, client.right, client.bottom, origin.x, origin.y};
}

// Active or under the cover the host is fitted on every tick; passive, whenever the game
// window has moved or changed size since the last fit; hidden, not at all.
void followGame() {
    if (!fitOnTick(state.displayMode, state.covered, gameGeometry() == lastFit))
        return;
    fit_to_game();
    if (state.covered)
        applyRegion(false); // the whole-area region follows the size, without a repaint
}

void hostTick() {
    rateTick();
    if (gameWindowValid())
        followGame();
    else
        searchForGame();
    if (state.covered && coverTimedOut(GetTickCount(), state.startTick))
        coverOff("the page never said - 10 s");
    notifyIfMoved();
    trackForeground();
    layoutKeeperTick();
}

const char* gameProcessState() {
    if (state.gameProcessId == 0)
        return "ended";
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, state.gameProcessId);
    if (!process)
        return "ended";
    DWORD code = 0;
    bool running = GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
    CloseHandle(process);
    return running ? "running" : "ended";
}

void onDestroy() {
    const char* windowState = gameWindowValid() ? "still valid (it may be mid-destroy)" : "gone";
    char line[256];
    boundedFormat(line, sizeof line,
                  "host window destroyed (WM_DESTROY%s; game window %p %s, game process %s)",
                  destroyedSuffix(state.closeSeen, state.childMode),
                  static_cast<void*>(state.gameWindow), windowState, gameProcessState());
    logLine("%s", line);
    requestExit(line);
}

LRESULT onEraseBackground(HWND window, WPARAM wParam, LPARAM lParam) {
    if (!state.throughOn)
        return DefWindowProcW(window, WM_ERASEBKGND, wParam, lParam);
    RECT client;
    GetClientRect(window, &client);
    HBRUSH brush = CreateSolidBrush(kColourKey);
    FillRect(reinterpret_cast<HDC>(wParam), &client, brush);
    DeleteObject(brush);
    return 1;
}

} // namespace

void showCoverOverGame() {
    if (!state.covered || !state.hostWindow || !gameWindowValid())
        return;
    fit_to_game();
    ShowWindow(state.hostWindow, SW_SHOWNA);
    if (state.controller)
        state.controller->put_IsVisible(TRUE);
    applyRegion(true);
}

void fit_to_game() {
    if (!state.hostWindow || !gameWindowValid())
        return;
    FitGeometry geometry = gameGeometry();
    rateCount(RateEvent::fitToGame);
    rateCount(fitGeometryChanged(lastFit, geometry) ? RateEvent::rectChanged : RateEvent::same);
    SetWindowPos(state.hostWindow, HWND_TOP, geometry.originX, geometry.originY, geometry.right,
                 geometry.bottom, state.childMode ? SWP_NOACTIVATE : SWP_NOZORDER | SWP_NOACTIVATE);
    if (state.controller)
        state.controller->put_Bounds(RECT{0, 0, geometry.right, geometry.bottom});
}

HWND findGameWindow() {
    GameSearch search;
    EnumWindows(matchGameWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string processImageName(DWORD processId) {
    std::wstring name = L"?";
    if (processId != 0) {
        if (HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId)) {
            wchar_t path[260];
            DWORD size = 260;
            if (QueryFullProcessImageNameW(process, 0, path, &size))
                name = fileNamePart(std::wstring(path, size));
            CloseHandle(process);
        }
    }
    return toUtf8(name);
}

void requestExit(const std::string& reason) {
    if (state.exitReason.empty())
        state.exitReason = reason;
    PostQuitMessage(0);
}

LRESULT CALLBACK hostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DESTROY:
        onDestroy();
        return 0;
    case WM_SIZE:
        if (state.controller)
            state.controller->put_Bounds(RECT{0, 0, LOWORD(lParam), HIWORD(lParam)});
        return 0;
    case WM_MOVE:
        notifyIfMoved();
        return 0;
    case WM_CLOSE:
        state.closeSeen = true;
        return DefWindowProcW(window, message, wParam, lParam);
    case WM_ERASEBKGND:
        return onEraseBackground(window, wParam, lParam);
    case WM_SETCURSOR:
        rateCount(RateEvent::wmSetCursor);
        return DefWindowProcW(window, message, wParam, lParam);
    case WM_MOUSEACTIVATE:
        return state.childMode ? MA_ACTIVATE : MA_NOACTIVATE;
    case WM_TIMER:
        hostTick();
        return 0;
    case kSocketMessage:
        receiveDatagrams(); // whatever the notification says; the receive loop finds out
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

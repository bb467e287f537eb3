#include "host_window.h"

#include "overlay_state.h"
#include "udp_link.h"

namespace {

// The 100 ms tick: game tracking, the cover rule, foreground and layout come here.
void hostTick() {}

} // namespace

void fit_to_game() {}

void requestExit(const std::string& reason) {
    if (state.exitReason.empty())
        state.exitReason = reason;
    PostQuitMessage(0);
}

LRESULT CALLBACK hostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
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

#pragma once
// The web view's window in browser-backed mode: a child window of the program's window that
// shows the page's frames and hands mouse and keyboard input to the page at the same point.
// The real runtime's window belongs to its browser process; Wine 8 draws no window of another
// process inside a window of this one, so this one lives in the program's process.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

struct PageWindowCallbacks {
    // One input operation for the page, as a JSON object in device pixels.
    std::function<void(const std::string& json)> onInput;
    // A key message (WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN, WM_SYSKEYUP): true keeps it from
    // the page.
    std::function<bool(UINT message, WPARAM key, LPARAM lParam)> onKey;
    // The window is going away with its parent.
    std::function<void()> onDestroyed;
};

HWND createPageWindow(HWND parent, PageWindowCallbacks callbacks);

// Shows a frame (premultiplied BGRA, width x height) from now on.
void setPageFrame(HWND window, int width, int height, std::vector<unsigned char> bgra);

// Destroys the window without calling onDestroyed.
void destroyPageWindow(HWND window);

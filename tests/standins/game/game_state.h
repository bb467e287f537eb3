#pragma once
#include <winsock2.h>
#include <windows.h>

#include <string>
#include <vector>

// One top-level window of the stand-in game and the child that takes its keyboard focus.
struct GameWindow {
    HWND top = nullptr;
    HWND focus = nullptr;
    std::wstring className;
    std::wstring title;
};

struct GameState {
    std::vector<GameWindow> windows;
    int liveWindows = 0;
    // Where the top-level window sends its keyboard focus: like a dialog, to the child.
    bool focusChild = false;
    // WM_INPUTLANGCHANGEREQUEST passed on to DefWindowProcW (accepted) or swallowed.
    bool honourLayoutRequests = true;
    SOCKET socket = INVALID_SOCKET;
    HWND channelWindow = nullptr;
};

extern GameState game;

#pragma once
// Everything the stand-in does for the program happens later, on the thread that created
// the environment, through that thread's message loop: a message-only window there runs
// posted tasks and timers and receives the command socket's notifications. They run one at
// a time: none starts while another is still on the stack, not even from a nested message
// loop that a handler runs.
#include <windows.h>

#include <functional>

// Creates the window on the calling thread the first time; later calls do nothing.
void startDispatcher();
HWND dispatcherWindow();

// Runs task on the dispatcher's thread from its message loop, after delayMs if given;
// never inside this call.
void postTask(std::function<void()> task, UINT delayMs = 0);

// The window message that carries the command socket's notifications.
inline constexpr UINT kSocketMessage = WM_APP + 2;

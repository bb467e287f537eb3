#pragma once
#include <functional>

// WebView2 handlers cannot be re-entered: a modal box, a shell handler or anything else that
// runs a message loop of its own inside one leaves the runtime's handler on the stack
// ("Threading model for WebView2 apps", Reentrancy). Such work is queued here and runs from the
// window procedure once the handler has returned. User-interface thread only.

// Queues the work and posts kAfterHandlerMessage; dropped when the window is gone.
void runAfterHandler(std::function<void()> work);

// The window procedure's side: runs the oldest queued work.
void runQueuedWork();

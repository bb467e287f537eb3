#pragma once
#include <windows.h>

#include <string>

// Works out on every tick whether the game is away (minimised or behind another
// application) and tells the page when that changes.
void trackForeground();

// One line about a window for the log: image, process id, class, title and handle; "none"
// without a window.
std::string describeWindow(HWND window);

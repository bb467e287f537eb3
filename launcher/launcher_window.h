#pragma once
#include <windows.h>

// The one launcher window: its class, size and place, frame colours and procedure.

// Registers the class and creates the window, 1280 x 720 client at the screen's dpi,
// fitted into and centred on the primary work area. Null when creation fails.
HWND createLauncherWindow(HINSTANCE instance);

// Dark frame and caption in the page's colours; ignored where the system lacks them.
void applyFrameColours(HWND window);

constexpr COLORREF kLauncherBackground = RGB(14, 12, 42);
extern const wchar_t* const kLauncherClass;

#pragma once
#include <windows.h>

#include "dpi_binding.h"

// The DPI awareness a window was made with, as the system reports it; unknown for no window
// or where the system cannot tell.
DpiMode windowDpiMode(HWND window);

// The awareness windows made by this thread get now.
DpiMode threadDpiMode();

// Windows made by this thread get the given awareness until the returned context is handed
// to restoreThreadDpi. Unknown changes nothing and returns nullptr.
DPI_AWARENESS_CONTEXT enterThreadDpi(DpiMode mode);
void restoreThreadDpi(DPI_AWARENESS_CONTEXT previous);

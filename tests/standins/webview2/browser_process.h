#pragma once
// The "browser process" the web view reports: the test's choice (VYR_WV2_BROWSER_PID), or
// webview2_browser.exe from beside this DLL, started on first use and watching its parent so
// that it ends with the program.
#include <windows.h>

DWORD browserProcessId();

// The browser process has exited (a test made it fail): the stand-in's own helper is ended,
// and the next environment starts a new one.
void endBrowserProcess();

// Counts the browser processes ended so far: an environment made before the last one ended
// has lost its browser.
unsigned browserGeneration();

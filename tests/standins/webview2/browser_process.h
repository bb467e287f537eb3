#pragma once
// The "browser process" the web view reports: the test's choice (VYR_WV2_BROWSER_PID), or
// webview2_browser.exe from beside this DLL, started once and watching its parent so that
// it ends with the program.
#include <windows.h>

DWORD browserProcessId();

#pragma once
// The process-wide state of launcher: one record, filled once at start-up on the
// user-interface thread before any worker exists. Later only mainWindow, controller and
// webView change (user-interface thread) and actionBusy (any thread, atomically).
#include <windows.h>
#include <wrl/client.h>

#include <atomic>
#include <string>

#include "WebView2.h"
#include "startup_text.h"

struct LauncherState {
    const char* version = kLauncherVersion;
    std::wstring exeDir;
    std::wstring kitDir;
    std::wstring webDir;
    std::wstring scriptPath;
    std::wstring dataDir;
    std::wstring logPath;
    std::wstring gameDir;
    std::wstring hostsFile; // non-empty: sandbox mode
    std::wstring pageQuery;
    bool devMode = false;
    std::string server; // UTF-8, from launcher.json
    HWND mainWindow = nullptr;
    Microsoft::WRL::ComPtr<ICoreWebView2Controller> controller;
    Microsoft::WRL::ComPtr<ICoreWebView2> webView;
    std::atomic<int> actionBusy{0};
};

extern LauncherState state;

// A JSON text for the page, handed from any thread to the window procedure; lParam owns a
// heap UTF-16 copy made by postPageMessage.
constexpr UINT kPageMessage = WM_APP + 1;

// The page asked for the zip picker: a modal dialog must not open inside WebView2's message
// handler, which cannot be re-entered, so the handler posts this and returns.
constexpr UINT kPickZipMessage = WM_APP + 2;

// A process of the runtime failed: the page is brought back once the runtime's handler has
// returned (recoverPage).
constexpr UINT kRecoverPageMessage = WM_APP + 3;

// Work queued by runAfterHandler (after_handler.h) is waiting to run.
constexpr UINT kAfterHandlerMessage = WM_APP + 4;

inline bool sandboxMode() {
    return !state.hostsFile.empty();
}

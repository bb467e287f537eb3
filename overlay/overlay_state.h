#pragma once
// The process-wide state of overlay_host: one record, constructed with its defaults
// before wWinMain runs, read and written directly by every part of the program on its
// one user-interface thread.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <wrl/client.h>

#include <string>
#include <vector>

#include "WebView2.h"
#include "hit_rect.h"

struct OverlayState {
    HWND gameWindow = nullptr;
    HWND hostWindow = nullptr;
    bool childMode = true;
    bool active = false;
    int displayMode = 0; // 0 hidden, 1 passive, 2 active
    std::wstring webDir;
    std::wstring docDir;
    std::wstring exeDir;
    std::wstring logPath;
    int port = 47632;
    SOCKET udpSocket = INVALID_SOCKET;
    sockaddr_in replyAddress{};
    bool replyKnown = false;
    bool replyLatched = false;
    Microsoft::WRL::ComPtr<ICoreWebView2Controller> controller;
    Microsoft::WRL::ComPtr<ICoreWebView2> webView;
    std::vector<HitRect> hitRects;
    bool covered = true;
    DWORD startTick = 0;
    bool pageReady = false;
    // The page that said ready is being replaced (a reload, a navigation, a failed browser or
    // renderer): everything for it is kept until the new document says ready.
    bool pageLoadingAgain = false;
    std::wstring pendingShow;
    std::vector<std::wstring> pendingToPage;
    DWORD noGameSince = 0;
    DWORD focusAttachedThread = 0;
    bool borderlessOn = false;
    DWORD framedStyle = 0;
    RECT framedRect{};
    bool gameAway = false;
    bool oldRuleAway = false;
    DWORD gameProcessId = 0;
    DWORD browserProcessId = 0;
    HWND lastForeground = nullptr;
    DWORD lastBrowserPid = 0;
    bool foregroundIsWebview = false;
    std::string exitReason;
    unsigned short lastSenderPort = 0;
    bool closeSeen = false;
    bool pageWantsThrough = false;
    bool throughOn = false;
    std::wstring gameTitle = L"Cindergale";
    std::wstring gameClass = L"Win32Window";
    std::wstring dataDir;
};

extern OverlayState state;

// The keyboard layout keeper asks the game for its layout back only while this is on;
// the opt-out marker beside the program turns it off at start-up.
extern bool keepLayout;

// Socket notifications reach the host window as this message.
constexpr UINT kSocketMessage = WM_APP + 1;
constexpr UINT_PTR kTickTimer = 1;
constexpr UINT kTickPeriodMs = 100;

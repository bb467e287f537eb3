#pragma once
// The browser behind the web view when a test asks for one (VYR_WV2_BROWSER names the loopback
// port of tests/standins/webview2/browser/bridge.js): Debian's Chromium runs the page, and
// this link carries the program's calls there and the page's events and frames back. One link
// per environment, as the real runtime starts one browser process per environment.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

struct BrowserLink;

// What the link hands to the program's thread: the bridge's events (fields of one record)
// and the newest frame (BGRA, premultiplied).
struct BrowserListener {
    std::function<void(const std::vector<std::string>& fields)> onEvent;
    std::function<void(int width, int height, std::vector<unsigned char> bgra)> onFrame;
};

bool browserBacked();

// Connects a new browser session; null when not asked for or the bridge cannot be reached.
std::shared_ptr<BrowserLink> openBrowserLink();

void setBrowserListener(BrowserLink& link, BrowserListener listener);

// Sends one operation (a JSON object) to the bridge, in order.
void sendBrowserOp(BrowserLink& link, const std::string& json);

// Ends the session: the bridge closes its browser; no events arrive after this.
void closeBrowserLink(BrowserLink& link);

// The Linux path of a Windows path (the bridge serves mapped folders from it).
std::string unixPath(const std::wstring& windowsPath);

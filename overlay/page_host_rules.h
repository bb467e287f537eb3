#pragma once
#include <string>

// What the page host decides about a page that loads, fails or is away.

// The keyboard goes to the page only when there is one to take it: a controller and a page
// that said ready. With no page, a page still loading or a browser being restarted, the
// focus stays where the player had it.
bool mayTakeFocus(bool hasController, bool pageReady);

// What a finished navigation leaves behind. contentLoaded: a new document (the page or an
// error page) replaced the old one; earlierPageWaiting: a document that had said ready was
// waiting to be replaced.
enum class NavigationOutcome {
    loaded,     // a new document: its ready follows
    pageStays,  // nothing replaced the earlier document (a download, a 204, a cancel): it
                // still listens
    pageFailed, // an error page or nothing at all: no page over the game
};
NavigationOutcome navigationOutcome(bool success, bool contentLoaded, bool earlierPageWaiting);

// COREWEBVIEW2_WEB_ERROR_STATUS by name, "unknown" for a value the runtime may add later.
const char* webErrorStatusName(int status);

// "the page did not load (WebErrorStatus 13, host name not resolved)".
std::string navigationFailedLine(int status);

// WEBVIEW2_DEFAULT_BACKGROUND_COLOR, hex ARGB: the cover's colour while it is up, else
// transparent. The runtime reads it before the controller exists, so no white shows first.
const wchar_t* defaultBackgroundVariable(bool covered);

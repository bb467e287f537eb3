#pragma once
#include <string>

// How the page host sets up the web view: its origin, where the page may navigate, the
// start page and what the user may do inside the page.

// A name under a reserved top-level domain, so it can never be a real site.
extern const wchar_t* const kVirtualHost;

// Only the page's own origin: "https://" + host + "/", compared case-sensitively.
bool navigationAllowed(const std::wstring& uri);

// Web messages count only from documents of that same origin.
bool messageFromOwnOrigin(const std::wstring& source);

// index.html at the origin's root; the query is added only in dev mode.
std::wstring startPageUrl(bool devMode, const std::wstring& pageQuery);

struct PageSettings {
    bool contextMenus = false;
    bool statusBar = false;
    bool zoomControl = false;
    bool devTools = false;
    bool acceleratorKeys = false;
};

PageSettings pageSettingsFor(bool devMode);

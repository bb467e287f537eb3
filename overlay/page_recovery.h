#pragma once
#include <string>

// What the page host does when a process behind its web view fails, by the runtime's kind of
// failure (COREWEBVIEW2_PROCESS_FAILED_KIND as a number): the browser process takes the web
// view with it, so a new one is made; the page's renderer leaves an error page, so the page
// is reloaded; anything else the runtime gets over by itself.
enum class PageRecovery { none, reloadPage, newWebView };

PageRecovery recoveryFor(int failedKind);

// The log line that says what failed and what happens now.
std::string recoveryLine(int failedKind);

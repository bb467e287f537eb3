#pragma once
#include <string>

// What the page host does when one of the runtime's processes fails (ProcessFailed).

enum class PageRecovery {
    none,
    reload,   // the page's renderer ended: the web view shows an error page until reloaded
    recreate, // the browser process ended: the web view is closed, a new one is needed
};

// kind: the COREWEBVIEW2_PROCESS_FAILED_KIND value.
PageRecovery recoveryFor(int kind);

std::string processFailedLogLine(int kind);

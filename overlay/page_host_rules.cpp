#include "page_host_rules.h"

bool mayTakeFocus(bool hasController, bool pageReady) {
    return hasController && pageReady;
}

NavigationOutcome navigationOutcome(bool success, bool contentLoaded, bool earlierPageWaiting) {
    if (!contentLoaded && earlierPageWaiting)
        return NavigationOutcome::pageStays;
    return success ? NavigationOutcome::loaded : NavigationOutcome::pageFailed;
}

const char* webErrorStatusName(int status) {
    static const char* const kNames[] = {
        "unknown",
        "certificate common name is incorrect",
        "certificate expired",
        "client certificate contains errors",
        "certificate revoked",
        "certificate is invalid",
        "server unreachable",
        "timeout",
        "invalid server response",
        "connection aborted",
        "connection reset",
        "disconnected",
        "cannot connect",
        "host name not resolved",
        "operation canceled",
        "redirect failed",
        "unexpected error",
        "valid authentication credentials required",
        "valid proxy authentication required",
    };
    if (status < 0 || status >= static_cast<int>(sizeof kNames / sizeof kNames[0]))
        return "unknown";
    return kNames[status];
}

std::string navigationFailedLine(int status) {
    return "the page did not load (WebErrorStatus " + std::to_string(status) + ", " +
           webErrorStatusName(status) + ")";
}

const wchar_t* defaultBackgroundVariable(bool covered) {
    return covered ? L"FF0B0B18" : L"00000000";
}

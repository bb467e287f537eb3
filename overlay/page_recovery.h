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

// How often a failed page is brought back: a failure that follows the previous one within a
// minute adds to a run of failures, and each recovery of a run waits twice as long as the one
// before (0.5 s, 1 s, 2 s). The fourth failure of a run gives up: the overlay goes on without
// a page until it is started again.
struct RecoveryBudget {
    unsigned failures = 0;    // in the current run
    unsigned lastFailure = 0; // tick of the run's latest failure
};

constexpr unsigned kRecoveriesPerRun = 3;
constexpr unsigned kCalmAfterMs = 60000;
constexpr unsigned kFirstRecoveryWaitMs = 500;

struct RecoveryStep {
    bool giveUp = false;
    unsigned waitMs = 0;
};

// Counts one failure at tick `now` (wrap-safe) and says what comes of it.
RecoveryStep nextRecovery(RecoveryBudget& budget, unsigned now);

// The one line when the overlay gives up on its page.
std::string giveUpLine(unsigned failures);

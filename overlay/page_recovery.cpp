#include "page_recovery.h"

namespace {

constexpr int kBrowserProcessExited = 0;
constexpr int kRenderProcessExited = 1;

} // namespace

PageRecovery recoveryFor(int failedKind) {
    switch (failedKind) {
    case kBrowserProcessExited:
        return PageRecovery::newWebView;
    case kRenderProcessExited:
        return PageRecovery::reloadPage;
    default:
        return PageRecovery::none;
    }
}

std::string recoveryLine(int failedKind) {
    switch (recoveryFor(failedKind)) {
    case PageRecovery::newWebView:
        return "WebView2 browser process exited - the page's rectangles lifted, creating the "
               "web view again";
    case PageRecovery::reloadPage:
        return "WebView2 page renderer exited - the page's rectangles lifted, reloading the page";
    case PageRecovery::none:
        break;
    }
    return "WebView2 process failed (kind " + std::to_string(failedKind) + ") - the page goes on";
}

RecoveryStep nextRecovery(RecoveryBudget& budget, unsigned now) {
    if (budget.failures == 0 || now - budget.lastFailure > kCalmAfterMs)
        budget.failures = 0;
    budget.lastFailure = now;
    ++budget.failures;
    RecoveryStep step;
    if (budget.failures > kRecoveriesPerRun) {
        step.giveUp = true;
        return step;
    }
    step.waitMs = kFirstRecoveryWaitMs << (budget.failures - 1);
    return step;
}

std::string giveUpLine(unsigned failures) {
    return "WebView2 failed " + std::to_string(failures) +
           " times, each within a minute of the last - the overlay goes on without its page "
           "until it is started again";
}

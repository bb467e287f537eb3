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

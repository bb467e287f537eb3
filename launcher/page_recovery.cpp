#include "page_recovery.h"

namespace {

// COREWEBVIEW2_PROCESS_FAILED_KIND values; the others (an unresponsive renderer, a frame's
// renderer, helper processes) are recovered by the runtime itself or need nothing.
constexpr int kBrowserProcessExited = 0;
constexpr int kRenderProcessExited = 1;

} // namespace

PageRecovery recoveryFor(int kind) {
    if (kind == kBrowserProcessExited)
        return PageRecovery::recreate;
    if (kind == kRenderProcessExited)
        return PageRecovery::reload;
    return PageRecovery::none;
}

std::string processFailedLogLine(int kind) {
    if (kind == kBrowserProcessExited)
        return "WebView2 browser process exited; starting the page again";
    if (kind == kRenderProcessExited)
        return "WebView2 render process exited; reloading the page";
    return "WebView2 process failed, kind " + std::to_string(kind);
}

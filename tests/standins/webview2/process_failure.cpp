#include "process_failure.h"

#include "browser_process.h"
#include "controller.h"
#include "event_args.h"
#include "user_data_folder.h"
#include "webview.h"

HRESULT STDMETHODCALLTYPE WebView::add_ProcessFailed(
    ICoreWebView2ProcessFailedEventHandler* eventHandler, EventRegistrationToken* token) {
    if (closed_)
        return refuseClosed("webview.add_ProcessFailed");
    return processFailed_.add("webview.add_ProcessFailed", eventHandler, token);
}

HRESULT STDMETHODCALLTYPE WebView::remove_ProcessFailed(EventRegistrationToken token) {
    return processFailed_.remove("webview.remove_ProcessFailed", token);
}

size_t WebView::raiseProcessFailed(COREWEBVIEW2_PROCESS_FAILED_KIND kind,
                                   const std::function<void()>& gone) {
    // Taken first: closing the web view lets go of its handlers.
    const auto handlers = processFailed_.snapshot();
    gone();
    ComPtr<ProcessFailedArgs> args;
    args = adopt(new ProcessFailedArgs(kind));
    for (const auto& handler : handlers)
        handler->Invoke(this, args.Get());
    return handlers.size();
}

const char* failProcess(const std::string& id, const std::string& kind) {
    ComPtr<WebView> webView = WebView::live();
    if (!webView)
        return "no web view";
    size_t handlers = 0;
    if (kind == "browser-exited") {
        ComPtr<Controller> controller = Controller::live();
        handlers = webView->raiseProcessFailed(
            COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED, [controller] {
                if (controller) {
                    UnrecordedCalls byTheRuntime;
                    controller->Close();
                }
                endBrowserProcess();
                leaveUserDataFolders();
            });
    } else if (kind == "render-exited") {
        WebView* page = webView.Get();
        handlers =
            webView->raiseProcessFailed(COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_EXITED,
                                        [page] { page->showErrorPage(); });
    } else if (kind == "render-unresponsive") {
        handlers = webView->raiseProcessFailed(
            COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_UNRESPONSIVE, [] {});
    } else {
        return "process-failed takes browser-exited, render-exited or render-unresponsive";
    }
    recordNote("processFailed", {id, jsonUtf8(kind), jsonInt(static_cast<long long>(handlers))});
    return nullptr;
}

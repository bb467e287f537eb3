// The web view methods that no program of the kit calls: recorded, then refused.
#include "webview.h"

HRESULT STDMETHODCALLTYPE WebView::NavigateToString(LPCWSTR) {
    return notImplemented("webview.NavigateToString");
}

HRESULT STDMETHODCALLTYPE WebView::add_SourceChanged(ICoreWebView2SourceChangedEventHandler*,
                                                     EventRegistrationToken* token) {
    if (token)
        token->value = 0;
    return notImplemented("webview.add_SourceChanged");
}

HRESULT STDMETHODCALLTYPE WebView::remove_SourceChanged(EventRegistrationToken) {
    return notImplemented("webview.remove_SourceChanged");
}

HRESULT STDMETHODCALLTYPE WebView::add_HistoryChanged(ICoreWebView2HistoryChangedEventHandler*,
                                                      EventRegistrationToken* token) {
    if (token)
        token->value = 0;
    return notImplemented("webview.add_HistoryChanged");
}

HRESULT STDMETHODCALLTYPE WebView::remove_HistoryChanged(EventRegistrationToken) {
    return notImplemented("webview.remove_HistoryChanged");
}

HRESULT STDMETHODCALLTYPE WebView::add_FrameNavigationStarting(
    ICoreWebView2NavigationStartingEventHandler*, EventRegistrationToken* token) {
    if (token)
        token->value = 0;
    return notImplemented("webview.add_FrameNavigationStarting");
}

HRESULT STDMETHODCALLTYPE WebView::remove_FrameNavigationStarting(EventRegistrationToken) {
    return notImplemented("webview.remove_FrameNavigationStarting");
}

HRESULT STDMETHODCALLTYPE WebView::add_FrameNavigationCompleted(
    ICoreWebView2NavigationCompletedEventHandler*, EventRegistrationToken* token) {
    if (token)
        token->value = 0;
    return notImplemented("webview.add_FrameNavigationCompleted");
}

HRESULT STDMETHODCALLTYPE WebView::remove_FrameNavigationCompleted(EventRegistrationToken) {
    return notImplemented("webview.remove_FrameNavigationCompleted");
}

HRESULT STDMETHODCALLTYPE WebView::add_ScriptDialogOpening(
    ICoreWebView2ScriptDialogOpeningEventHandler*, EventRegistrationToken* token) {
    if (token)
        token->value = 0;
    return notImplemented("webview.add_ScriptDialogOpening");
}

HRESULT STDMETHODCALLTYPE WebView::remove_ScriptDialogOpening(EventRegistrationToken) {
    return notImplemented("webview.remove_ScriptDialogOpening");
}

HRESULT STDMETHODCALLTYPE WebView::add_PermissionRequested(
    ICoreWebView2PermissionRequestedEventHandler*, EventRegistrationToken* token) {
    if (token)
        token->value = 0;
    return notImplemented("webview.add_PermissionRequested");
}

HRESULT STDMETHODCALLTYPE WebView::remove_PermissionRequested(EventRegistrationToken) {
    return notImplemented("webview.remove_PermissionRequested");
}

HRESULT STDMETHODCALLTYPE WebView::AddScriptToExecuteOnDocumentCreated(
    LPCWSTR, ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler*) {
    return notImplemented("webview.AddScriptToExecuteOnDocumentCreated");
}

HRESULT STDMETHODCALLTYPE WebView::RemoveScriptToExecuteOnDocumentCreated(LPCWSTR) {
    return notImplemented("webview.RemoveScriptToExecuteOnDocumentCreated");
}

HRESULT STDMETHODCALLTYPE WebView::ExecuteScript(LPCWSTR,
                                                 ICoreWebView2ExecuteScriptCompletedHandler*) {
    return notImplemented("webview.ExecuteScript");
}

HRESULT STDMETHODCALLTYPE WebView::CapturePreview(COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT,
                                                  IStream*,
                                                  ICoreWebView2CapturePreviewCompletedHandler*) {
    return notImplemented("webview.CapturePreview");
}

HRESULT STDMETHODCALLTYPE WebView::CallDevToolsProtocolMethod(
    LPCWSTR, LPCWSTR, ICoreWebView2CallDevToolsProtocolMethodCompletedHandler*) {
    return notImplemented("webview.CallDevToolsProtocolMethod");
}

HRESULT STDMETHODCALLTYPE WebView::get_CanGoBack(BOOL*) {
    return notImplemented("webview.get_CanGoBack");
}

HRESULT STDMETHODCALLTYPE WebView::get_CanGoForward(BOOL*) {
    return notImplemented("webview.get_CanGoForward");
}

HRESULT STDMETHODCALLTYPE WebView::GoBack() {
    return notImplemented("webview.GoBack");
}

HRESULT STDMETHODCALLTYPE WebView::GoForward() {
    return notImplemented("webview.GoForward");
}

HRESULT STDMETHODCALLTYPE WebView::GetDevToolsProtocolEventReceiver(
    LPCWSTR, ICoreWebView2DevToolsProtocolEventReceiver** receiver) {
    if (receiver)
        *receiver = nullptr;
    return notImplemented("webview.GetDevToolsProtocolEventReceiver");
}

HRESULT STDMETHODCALLTYPE WebView::Stop() {
    return notImplemented("webview.Stop");
}

HRESULT STDMETHODCALLTYPE WebView::add_DocumentTitleChanged(
    ICoreWebView2DocumentTitleChangedEventHandler*, EventRegistrationToken* token) {
    if (token)
        token->value = 0;
    return notImplemented("webview.add_DocumentTitleChanged");
}

HRESULT STDMETHODCALLTYPE WebView::remove_DocumentTitleChanged(EventRegistrationToken) {
    return notImplemented("webview.remove_DocumentTitleChanged");
}

HRESULT STDMETHODCALLTYPE WebView::get_DocumentTitle(LPWSTR* title) {
    if (title)
        *title = nullptr;
    return notImplemented("webview.get_DocumentTitle");
}

HRESULT STDMETHODCALLTYPE WebView::AddHostObjectToScript(LPCWSTR, VARIANT*) {
    return notImplemented("webview.AddHostObjectToScript");
}

HRESULT STDMETHODCALLTYPE WebView::RemoveHostObjectFromScript(LPCWSTR) {
    return notImplemented("webview.RemoveHostObjectFromScript");
}

HRESULT STDMETHODCALLTYPE WebView::OpenDevToolsWindow() {
    return notImplemented("webview.OpenDevToolsWindow");
}

HRESULT STDMETHODCALLTYPE WebView::add_ContainsFullScreenElementChanged(
    ICoreWebView2ContainsFullScreenElementChangedEventHandler*, EventRegistrationToken* token) {
    if (token)
        token->value = 0;
    return notImplemented("webview.add_ContainsFullScreenElementChanged");
}

HRESULT STDMETHODCALLTYPE WebView::remove_ContainsFullScreenElementChanged(EventRegistrationToken) {
    return notImplemented("webview.remove_ContainsFullScreenElementChanged");
}

HRESULT STDMETHODCALLTYPE WebView::get_ContainsFullScreenElement(BOOL*) {
    return notImplemented("webview.get_ContainsFullScreenElement");
}

HRESULT STDMETHODCALLTYPE WebView::add_WebResourceRequested(
    ICoreWebView2WebResourceRequestedEventHandler*, EventRegistrationToken* token) {
    if (token)
        token->value = 0;
    return notImplemented("webview.add_WebResourceRequested");
}

HRESULT STDMETHODCALLTYPE WebView::remove_WebResourceRequested(EventRegistrationToken) {
    return notImplemented("webview.remove_WebResourceRequested");
}

HRESULT STDMETHODCALLTYPE
WebView::AddWebResourceRequestedFilter(const LPCWSTR, const COREWEBVIEW2_WEB_RESOURCE_CONTEXT) {
    return notImplemented("webview.AddWebResourceRequestedFilter");
}

HRESULT STDMETHODCALLTYPE
WebView::RemoveWebResourceRequestedFilter(const LPCWSTR, const COREWEBVIEW2_WEB_RESOURCE_CONTEXT) {
    return notImplemented("webview.RemoveWebResourceRequestedFilter");
}

HRESULT STDMETHODCALLTYPE WebView::add_WindowCloseRequested(
    ICoreWebView2WindowCloseRequestedEventHandler*, EventRegistrationToken* token) {
    if (token)
        token->value = 0;
    return notImplemented("webview.add_WindowCloseRequested");
}

HRESULT STDMETHODCALLTYPE WebView::remove_WindowCloseRequested(EventRegistrationToken) {
    return notImplemented("webview.remove_WindowCloseRequested");
}

HRESULT STDMETHODCALLTYPE WebView::add_WebResourceResponseReceived(
    ICoreWebView2WebResourceResponseReceivedEventHandler*, EventRegistrationToken* token) {
    if (token)
        token->value = 0;
    return notImplemented("webview.add_WebResourceResponseReceived");
}

HRESULT STDMETHODCALLTYPE WebView::remove_WebResourceResponseReceived(EventRegistrationToken) {
    return notImplemented("webview.remove_WebResourceResponseReceived");
}

HRESULT STDMETHODCALLTYPE
WebView::NavigateWithWebResourceRequest(ICoreWebView2WebResourceRequest*) {
    return notImplemented("webview.NavigateWithWebResourceRequest");
}

HRESULT STDMETHODCALLTYPE WebView::add_DOMContentLoaded(ICoreWebView2DOMContentLoadedEventHandler*,
                                                        EventRegistrationToken* token) {
    if (token)
        token->value = 0;
    return notImplemented("webview.add_DOMContentLoaded");
}

HRESULT STDMETHODCALLTYPE WebView::remove_DOMContentLoaded(EventRegistrationToken) {
    return notImplemented("webview.remove_DOMContentLoaded");
}

HRESULT STDMETHODCALLTYPE WebView::get_CookieManager(ICoreWebView2CookieManager** cookieManager) {
    if (cookieManager)
        *cookieManager = nullptr;
    return notImplemented("webview.get_CookieManager");
}

HRESULT STDMETHODCALLTYPE WebView::get_Environment(ICoreWebView2Environment** environment) {
    if (environment)
        *environment = nullptr;
    return notImplemented("webview.get_Environment");
}

HRESULT STDMETHODCALLTYPE WebView::TrySuspend(ICoreWebView2TrySuspendCompletedHandler*) {
    return notImplemented("webview.TrySuspend");
}

HRESULT STDMETHODCALLTYPE WebView::Resume() {
    return notImplemented("webview.Resume");
}

HRESULT STDMETHODCALLTYPE WebView::get_IsSuspended(BOOL*) {
    return notImplemented("webview.get_IsSuspended");
}

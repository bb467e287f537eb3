#include "event_args.h"

WebMessageArgs::WebMessageArgs(std::wstring source, std::wstring json,
                               std::optional<std::wstring> asString)
    : source_(std::move(source)), json_(std::move(json)), asString_(std::move(asString)) {}

HRESULT STDMETHODCALLTYPE WebMessageArgs::QueryInterface(REFIID iid, void** object) {
    return answer(iid, object, {&IID_ICoreWebView2WebMessageReceivedEventArgs});
}

HRESULT STDMETHODCALLTYPE WebMessageArgs::get_Source(LPWSTR* value) {
    recordCall("message.get_Source");
    return copyOut(source_, value);
}

HRESULT STDMETHODCALLTYPE WebMessageArgs::get_WebMessageAsJson(LPWSTR* value) {
    recordCall("message.get_WebMessageAsJson");
    return copyOut(json_, value);
}

HRESULT STDMETHODCALLTYPE WebMessageArgs::TryGetWebMessageAsString(LPWSTR* value) {
    recordCall("message.TryGetWebMessageAsString");
    if (!value)
        return E_POINTER;
    if (!asString_) {
        // As the runtime does when the page posted something other than a string.
        *value = nullptr;
        return E_INVALIDARG;
    }
    return copyOut(*asString_, value);
}

NavigationArgs::NavigationArgs(std::wstring uri, UINT64 navigationId, bool userInitiated)
    : uri_(std::move(uri)), navigationId_(navigationId), userInitiated_(userInitiated) {}

HRESULT STDMETHODCALLTYPE NavigationArgs::QueryInterface(REFIID iid, void** object) {
    return answer(iid, object, {&IID_ICoreWebView2NavigationStartingEventArgs});
}

HRESULT STDMETHODCALLTYPE NavigationArgs::get_Uri(LPWSTR* uri) {
    recordCall("navigation.get_Uri");
    return copyOut(uri_, uri);
}

HRESULT STDMETHODCALLTYPE NavigationArgs::get_IsUserInitiated(BOOL* isUserInitiated) {
    recordCall("navigation.get_IsUserInitiated");
    return copyOut(userInitiated_, isUserInitiated);
}

HRESULT STDMETHODCALLTYPE NavigationArgs::get_IsRedirected(BOOL* isRedirected) {
    recordCall("navigation.get_IsRedirected");
    return copyOut(BOOL{FALSE}, isRedirected);
}

HRESULT STDMETHODCALLTYPE
NavigationArgs::get_RequestHeaders(ICoreWebView2HttpRequestHeaders** requestHeaders) {
    if (requestHeaders)
        *requestHeaders = nullptr;
    return notImplemented("navigation.get_RequestHeaders");
}

HRESULT STDMETHODCALLTYPE NavigationArgs::get_Cancel(BOOL* cancel) {
    recordCall("navigation.get_Cancel");
    return copyOut(cancel_, cancel);
}

HRESULT STDMETHODCALLTYPE NavigationArgs::put_Cancel(BOOL cancel) {
    recordCall("navigation.put_Cancel", {jsonBool(cancel)});
    cancel_ = cancel ? TRUE : FALSE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE NavigationArgs::get_NavigationId(UINT64* navigationId) {
    recordCall("navigation.get_NavigationId");
    return copyOut(navigationId_, navigationId);
}

NewWindowArgs::NewWindowArgs(std::wstring uri) : uri_(std::move(uri)) {}

HRESULT STDMETHODCALLTYPE NewWindowArgs::QueryInterface(REFIID iid, void** object) {
    return answer(iid, object, {&IID_ICoreWebView2NewWindowRequestedEventArgs});
}

HRESULT STDMETHODCALLTYPE NewWindowArgs::get_Uri(LPWSTR* uri) {
    recordCall("newWindow.get_Uri");
    return copyOut(uri_, uri);
}

HRESULT STDMETHODCALLTYPE NewWindowArgs::put_NewWindow(ICoreWebView2*) {
    return notImplemented("newWindow.put_NewWindow");
}

HRESULT STDMETHODCALLTYPE NewWindowArgs::get_NewWindow(ICoreWebView2** newWindow) {
    if (newWindow)
        *newWindow = nullptr;
    return notImplemented("newWindow.get_NewWindow");
}

HRESULT STDMETHODCALLTYPE NewWindowArgs::put_Handled(BOOL handled) {
    recordCall("newWindow.put_Handled", {jsonBool(handled)});
    handled_ = handled ? TRUE : FALSE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE NewWindowArgs::get_Handled(BOOL* handled) {
    recordCall("newWindow.get_Handled");
    return copyOut(handled_, handled);
}

HRESULT STDMETHODCALLTYPE NewWindowArgs::get_IsUserInitiated(BOOL* isUserInitiated) {
    recordCall("newWindow.get_IsUserInitiated");
    return copyOut(BOOL{TRUE}, isUserInitiated);
}

HRESULT STDMETHODCALLTYPE NewWindowArgs::GetDeferral(ICoreWebView2Deferral** deferral) {
    if (deferral)
        *deferral = nullptr;
    return notImplemented("newWindow.GetDeferral");
}

HRESULT STDMETHODCALLTYPE NewWindowArgs::get_WindowFeatures(ICoreWebView2WindowFeatures** value) {
    if (value)
        *value = nullptr;
    return notImplemented("newWindow.get_WindowFeatures");
}

ProcessFailedArgs::ProcessFailedArgs(COREWEBVIEW2_PROCESS_FAILED_KIND kind) : kind_(kind) {}

HRESULT STDMETHODCALLTYPE ProcessFailedArgs::QueryInterface(REFIID iid, void** object) {
    return answer(iid, object, {&IID_ICoreWebView2ProcessFailedEventArgs});
}

HRESULT STDMETHODCALLTYPE
ProcessFailedArgs::get_ProcessFailedKind(COREWEBVIEW2_PROCESS_FAILED_KIND* kind) {
    recordCall("processFailed.get_ProcessFailedKind");
    return copyOut(kind_, kind);
}

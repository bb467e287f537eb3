// The web view's ContentLoading and NavigationCompleted (browser-backed mode), and its
// memory usage target level.
#include "dispatch.h"
#include "webview.h"

namespace {

class ContentLoadingArgs final : public ComObject<ICoreWebView2ContentLoadingEventArgs> {
  public:
    ContentLoadingArgs(UINT64 id, bool errorPage) : id_(id), errorPage_(errorPage) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        return answer(iid, object, {&IID_ICoreWebView2ContentLoadingEventArgs});
    }
    HRESULT STDMETHODCALLTYPE get_IsErrorPage(BOOL* value) override {
        return copyOut(errorPage_ ? TRUE : FALSE, value);
    }
    HRESULT STDMETHODCALLTYPE get_NavigationId(UINT64* value) override {
        return copyOut(id_, value);
    }

  private:
    UINT64 id_;
    bool errorPage_;
};

class CompletedArgs final : public ComObject<ICoreWebView2NavigationCompletedEventArgs> {
  public:
    CompletedArgs(UINT64 id, bool success, COREWEBVIEW2_WEB_ERROR_STATUS status)
        : id_(id), success_(success), status_(status) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        return answer(iid, object, {&IID_ICoreWebView2NavigationCompletedEventArgs});
    }
    HRESULT STDMETHODCALLTYPE get_IsSuccess(BOOL* value) override {
        return copyOut(success_ ? TRUE : FALSE, value);
    }
    HRESULT STDMETHODCALLTYPE get_WebErrorStatus(COREWEBVIEW2_WEB_ERROR_STATUS* value) override {
        return copyOut(status_, value);
    }
    HRESULT STDMETHODCALLTYPE get_NavigationId(UINT64* value) override {
        return copyOut(id_, value);
    }

  private:
    UINT64 id_;
    bool success_;
    COREWEBVIEW2_WEB_ERROR_STATUS status_;
};

} // namespace

void WebView::raiseContentLoading(bool errorPage) {
    ComPtr<ContentLoadingArgs> args = adopt(new ContentLoadingArgs(lastNavigationId_, errorPage));
    const auto handlers = contentLoading_.snapshot();
    for (const auto& handler : handlers)
        handler->Invoke(this, args.Get());
    recordNote("contentLoading",
               {jsonInt(static_cast<long long>(lastNavigationId_)), jsonBool(errorPage)});
}

void WebView::raiseNavigationCompleted(bool success, COREWEBVIEW2_WEB_ERROR_STATUS status) {
    ComPtr<CompletedArgs> args = adopt(new CompletedArgs(lastNavigationId_, success, status));
    const auto handlers = navigationCompleted_.snapshot();
    for (const auto& handler : handlers)
        handler->Invoke(this, args.Get());
    recordNote("navigationCompleted", {jsonInt(static_cast<long long>(lastNavigationId_)),
                                       jsonBool(success), jsonInt(status)});
}

HRESULT STDMETHODCALLTYPE WebView::add_ContentLoading(
    ICoreWebView2ContentLoadingEventHandler* eventHandler, EventRegistrationToken* token) {
    if (closed_)
        return refuseClosed("webview.add_ContentLoading");
    return contentLoading_.add("webview.add_ContentLoading", eventHandler, token);
}

HRESULT STDMETHODCALLTYPE WebView::remove_ContentLoading(EventRegistrationToken token) {
    return contentLoading_.remove("webview.remove_ContentLoading", token);
}

HRESULT STDMETHODCALLTYPE WebView::add_NavigationCompleted(
    ICoreWebView2NavigationCompletedEventHandler* eventHandler, EventRegistrationToken* token) {
    if (closed_)
        return refuseClosed("webview.add_NavigationCompleted");
    return navigationCompleted_.add("webview.add_NavigationCompleted", eventHandler, token);
}

HRESULT STDMETHODCALLTYPE WebView::remove_NavigationCompleted(EventRegistrationToken token) {
    return navigationCompleted_.remove("webview.remove_NavigationCompleted", token);
}

long WebView::ownerQueryInterface(const GUID& iid, void** object) {
    return QueryInterface(iid, object);
}

// A best-effort hint to the browser; in browser-backed mode low asks Chromium to free what it
// can, as under memory pressure.
long WebView::setMemoryLevel(int level) {
    recordCall("webview.put_MemoryUsageTargetLevel", {jsonInt(level)});
    if (closed_)
        return kClosedState;
    if (level != COREWEBVIEW2_MEMORY_USAGE_TARGET_LEVEL_NORMAL &&
        level != COREWEBVIEW2_MEMORY_USAGE_TARGET_LEVEL_LOW)
        return E_INVALIDARG;
    // With VYR_WV2_MEMORY_LEVEL_KEPT set (the benchmarks' comparison) the browser stays normal.
    const bool kept = GetEnvironmentVariableW(L"VYR_WV2_MEMORY_LEVEL_KEPT", nullptr, 0) > 0;
    if (link_ && level != memoryLevel_ && !kept)
        sendBrowserOp(*link_,
                      std::string("{\"op\":\"memory\",\"level\":\"") +
                          (level == COREWEBVIEW2_MEMORY_USAGE_TARGET_LEVEL_LOW ? "low" : "normal") +
                          "\"}");
    memoryLevel_ = level;
    return S_OK;
}

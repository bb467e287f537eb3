#include "webview.h"

#include <cstdlib>

#include "dispatch.h"
#include "browser_link.h"
#include "process_failure.h"
#include "event_args.h"

namespace {

// Not a reference: the program alone decides how long the web view lives.
WebView* liveWebView = nullptr;

HRESULT closedState() {
    return kClosedState;
}

// A JSON string literal holding text, as the runtime hands a posted string to JSON readers.
std::wstring jsonStringLiteral(const std::wstring& text) {
    return fromUtf8(jsonText(text));
}

} // namespace

WebView::WebView(DWORD browserProcessId, std::shared_ptr<BrowserLink> link)
    : browserProcessId_(browserProcessId), link_(std::move(link)) {
    settings_ = adopt(new Settings());
    memoryLevelFace_ = newMemoryLevelFace(this);
    liveWebView = this;
}

WebView::~WebView() {
    deleteMemoryLevelFace(memoryLevelFace_);
    recordNote("released", {jsonUtf8("webview")});
    if (liveWebView == this)
        liveWebView = nullptr;
}

ComPtr<WebView> WebView::live() {
    return ComPtr<WebView>(liveWebView);
}

void WebView::close() {
    closed_ = true;
    navigationStarting_.clear();
    webMessageReceived_.clear();
    newWindowRequested_.clear();
    processFailed_.clear();
    contentLoading_.clear();
    navigationCompleted_.clear();
    if (liveWebView == this)
        liveWebView = nullptr;
}

void WebView::raiseWebMessage(const std::string& id, std::wstring source, std::wstring json,
                              std::optional<std::wstring> asString) {
    if (source.empty())
        source = source_;
    if (asString)
        json = jsonStringLiteral(*asString);
    ComPtr<WebMessageArgs> args;
    args = adopt(new WebMessageArgs(source, json, asString));
    const auto handlers = webMessageReceived_.snapshot();
    for (const auto& handler : handlers)
        handler->Invoke(this, args.Get());
    recordNote("webMessage", {id, jsonText(source), jsonText(json),
                              jsonInt(static_cast<long long>(handlers.size()))});
}

bool WebView::raiseNavigationStarting(const std::string& id, const std::wstring& uri,
                                      bool userInitiated) {
    ComPtr<NavigationArgs> args;
    args = adopt(new NavigationArgs(uri, ++lastNavigationId_, userInitiated));
    const auto handlers = navigationStarting_.snapshot();
    for (const auto& handler : handlers)
        handler->Invoke(this, args.Get());
    if (!args->cancelled()) {
        source_ = uri;
        errorPage_ = false; // a new document replaces the error page
    }
    recordNote("navigationStarting", {id, jsonText(uri), jsonBool(args->cancelled()),
                                      jsonInt(static_cast<long long>(handlers.size()))});
    return args->cancelled();
}

void WebView::onBrowserEvent(const std::vector<std::string>& fields) {
    if (closed_ || fields.empty())
        return;
    const std::string& event = fields[0];
    if (event == "navigationStarting" && fields.size() >= 3) {
        const bool cancel = raiseNavigationStarting("null", fromUtf8(fields[2]), true);
        sendBrowserOp(*link_, "{\"op\":\"decision\",\"id\":" + fields[1] +
                                  ",\"cancel\":" + (cancel ? "true" : "false") + "}");
    } else if (event == "message" && fields.size() >= 4) {
        if (fields[2] == "1")
            raiseWebMessage("null", fromUtf8(fields[1]), L"", fromUtf8(fields[3]));
        else
            raiseWebMessage("null", fromUtf8(fields[1]), fromUtf8(fields[3]), std::nullopt);
    } else if (event == "source" && fields.size() >= 2) {
        source_ = fromUtf8(fields[1]);
        recordNote("document", {jsonUtf8(fields[1])});
        raiseContentLoading(fields[1].rfind("chrome-error:", 0) == 0);
    } else if (event == "dropped" && fields.size() >= 3) {
        recordNote("dropped", {jsonUtf8(fields[1]), jsonUtf8(fields[2])});
    } else if (event == "browser" && fields.size() >= 2) {
        recordNote("chromium", {jsonUtf8(fields[1])});
    } else if (event == "completed" && fields.size() >= 3) {
        raiseNavigationCompleted(fields[1] == "1", static_cast<COREWEBVIEW2_WEB_ERROR_STATUS>(
                                                       std::atoi(fields[2].c_str())));
    } else if (event == "processFailed" && fields.size() >= 2) {
        failProcess("null", fields[1]);
    }
}

void WebView::raiseNewWindowRequested(const std::string& id, const std::wstring& uri) {
    ComPtr<NewWindowArgs> args;
    args = adopt(new NewWindowArgs(uri));
    const auto handlers = newWindowRequested_.snapshot();
    for (const auto& handler : handlers)
        handler->Invoke(this, args.Get());
    recordNote("newWindowRequested", {id, jsonText(uri), jsonBool(args->handled()),
                                      jsonInt(static_cast<long long>(handlers.size()))});
}

HRESULT STDMETHODCALLTYPE WebView::QueryInterface(REFIID iid, void** object) {
    if (object && memoryLevelInterface(iid)) {
        *object = memoryLevelFace_;
        AddRef();
        return S_OK;
    }
    return answer(iid, object, {&IID_ICoreWebView2, &IID_ICoreWebView2_2, &IID_ICoreWebView2_3});
}

HRESULT STDMETHODCALLTYPE WebView::get_Settings(ICoreWebView2Settings** settings) {
    recordCall("webview.get_Settings");
    if (closed_)
        return closedState();
    if (!settings)
        return E_POINTER;
    *settings = settings_.Get();
    settings_->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE WebView::get_Source(LPWSTR* uri) {
    recordCall("webview.get_Source");
    if (closed_)
        return closedState();
    return copyOut(source_, uri);
}

HRESULT STDMETHODCALLTYPE WebView::Navigate(LPCWSTR uri) {
    recordCall("webview.Navigate", {jsonText(uri)});
    if (!uri)
        return E_INVALIDARG;
    if (closed_)
        return closedState();
    // The runtime asks the program's NavigationStarting handlers later, never inside the call.
    if (link_) {
        sendBrowserOp(*link_, "{\"op\":\"navigate\",\"uri\":" + jsonText(uri) + "}");
        return S_OK;
    }
    ComPtr<WebView> self(this);
    std::wstring target = uri;
    postTask([self, target] {
        if (!self->closed_)
            self->raiseNavigationStarting("null", target, false);
    });
    return S_OK;
}

HRESULT STDMETHODCALLTYPE WebView::add_NavigationStarting(
    ICoreWebView2NavigationStartingEventHandler* eventHandler, EventRegistrationToken* token) {
    if (closed_)
        return refuseClosed("webview.add_NavigationStarting");
    return navigationStarting_.add("webview.add_NavigationStarting", eventHandler, token);
}

HRESULT STDMETHODCALLTYPE WebView::remove_NavigationStarting(EventRegistrationToken token) {
    return navigationStarting_.remove("webview.remove_NavigationStarting", token);
}

HRESULT STDMETHODCALLTYPE WebView::Reload() {
    recordCall("webview.Reload");
    if (closed_)
        return closedState();
    if (link_) {
        sendBrowserOp(*link_, "{\"op\":\"reload\"}");
        return S_OK;
    }
    // A reload loads a new document: the handlers see a navigation to the current address,
    // later, as for Navigate.
    ComPtr<WebView> self(this);
    postTask([self] {
        if (!self->closed_)
            self->raiseNavigationStarting("null", self->source_, false);
    });
    return S_OK;
}

HRESULT STDMETHODCALLTYPE WebView::PostWebMessageAsJson(LPCWSTR webMessageAsJson) {
    recordCall("webview.PostWebMessageAsJson", {jsonText(webMessageAsJson)});
    if (!webMessageAsJson)
        return E_INVALIDARG;
    if (closed_)
        return closedState();
    if (link_)
        sendBrowserOp(*link_, "{\"op\":\"post\",\"json\":" + jsonText(webMessageAsJson) + "}");
    return S_OK;
}

HRESULT STDMETHODCALLTYPE WebView::PostWebMessageAsString(LPCWSTR webMessageAsString) {
    recordCall("webview.PostWebMessageAsString", {jsonText(webMessageAsString)});
    if (!webMessageAsString)
        return E_INVALIDARG;
    if (closed_)
        return closedState();
    if (link_)
        sendBrowserOp(*link_, "{\"op\":\"post\",\"json\":" +
                                  jsonText(jsonStringLiteral(webMessageAsString)) + "}");
    return S_OK;
}

HRESULT STDMETHODCALLTYPE WebView::add_WebMessageReceived(
    ICoreWebView2WebMessageReceivedEventHandler* handler, EventRegistrationToken* token) {
    if (closed_)
        return refuseClosed("webview.add_WebMessageReceived");
    return webMessageReceived_.add("webview.add_WebMessageReceived", handler, token);
}

HRESULT STDMETHODCALLTYPE WebView::remove_WebMessageReceived(EventRegistrationToken token) {
    return webMessageReceived_.remove("webview.remove_WebMessageReceived", token);
}

HRESULT STDMETHODCALLTYPE WebView::get_BrowserProcessId(UINT32* value) {
    recordCall("webview.get_BrowserProcessId");
    if (closed_)
        return closedState();
    return copyOut(static_cast<UINT32>(browserProcessId_), value);
}

HRESULT STDMETHODCALLTYPE WebView::add_NewWindowRequested(
    ICoreWebView2NewWindowRequestedEventHandler* eventHandler, EventRegistrationToken* token) {
    if (closed_)
        return refuseClosed("webview.add_NewWindowRequested");
    return newWindowRequested_.add("webview.add_NewWindowRequested", eventHandler, token);
}

HRESULT STDMETHODCALLTYPE WebView::remove_NewWindowRequested(EventRegistrationToken token) {
    return newWindowRequested_.remove("webview.remove_NewWindowRequested", token);
}

HRESULT STDMETHODCALLTYPE WebView::SetVirtualHostNameToFolderMapping(
    LPCWSTR hostName, LPCWSTR folderPath, COREWEBVIEW2_HOST_RESOURCE_ACCESS_KIND accessKind) {
    recordCall("webview.SetVirtualHostNameToFolderMapping",
               {jsonText(hostName), jsonText(folderPath), jsonInt(accessKind)});
    if (closed_)
        return closedState();
    if (!hostName || !folderPath)
        return E_INVALIDARG;
    if (link_)
        sendBrowserOp(*link_, "{\"op\":\"map\",\"host\":" + jsonText(hostName) +
                                  ",\"folder\":" + jsonUtf8(unixPath(folderPath)) + "}");
    return S_OK;
}

HRESULT STDMETHODCALLTYPE WebView::ClearVirtualHostNameToFolderMapping(LPCWSTR hostName) {
    recordCall("webview.ClearVirtualHostNameToFolderMapping", {jsonText(hostName)});
    return hostName ? S_OK : E_INVALIDARG;
}

#include "controller.h"

#include "config.h"
#include "monitor_scale.h"
#include "page_window.h"

namespace {

Controller* liveController = nullptr;

std::string jsonRect(const RECT& r) {
    return jsonInt(r.left) + "," + jsonInt(r.top) + "," + jsonInt(r.right) + "," +
           jsonInt(r.bottom);
}

} // namespace

Controller::Controller(HWND parentWindow, DWORD browserProcessId, std::shared_ptr<BrowserLink> link)
    : parentWindow_(parentWindow), rasterizationScale_(monitorScale(parentWindow)),
      link_(std::move(link)) {
    webView_ = adopt(new WebView(browserProcessId, link_));
    liveController = this;
    if (!link_)
        return;
    PageWindowCallbacks callbacks;
    BrowserLink* session = link_.get();
    callbacks.onInput = [session](const std::string& json) { sendBrowserOp(*session, json); };
    callbacks.onDestroyed = [this] { closeWithParent(); };
    callbacks.onKey = [this](UINT message, WPARAM key, LPARAM lParam) {
        return raiseAcceleratorKey(message, key, lParam);
    };
    pageWindow_ = createPageWindow(parentWindow, std::move(callbacks));
    if (visible_)
        ShowWindow(pageWindow_, SW_SHOWNA);
    HWND shownIn = pageWindow_;
    WebView* webView = webView_.Get();
    BrowserListener listener;
    listener.onEvent = [webView](const std::vector<std::string>& fields) {
        webView->onBrowserEvent(fields);
    };
    listener.onFrame = [shownIn](int width, int height, std::vector<unsigned char> bgra) {
        setPageFrame(shownIn, width, height, std::move(bgra));
    };
    setBrowserListener(*link_, std::move(listener));
}

void Controller::sendBounds() {
    if (!link_)
        return;
    MoveWindow(pageWindow_, bounds_.left, bounds_.top, bounds_.right - bounds_.left,
               bounds_.bottom - bounds_.top, TRUE);
    // Where the page is on the screen, for tests that click it.
    RECT screen{};
    GetWindowRect(pageWindow_, &screen);
    recordNote("pageWindow", {jsonRect(screen)});
    sendBrowserOp(*link_, "{\"op\":\"bounds\",\"w\":" + jsonInt(bounds_.right - bounds_.left) +
                              ",\"h\":" + jsonInt(bounds_.bottom - bounds_.top) +
                              ",\"scale\":" + jsonReal(rasterizationScale_) + "}");
}

// The parent window is being destroyed: the controller closes with it, as the real one does.
void Controller::closeWithParent() {
    pageWindow_ = nullptr;
    if (closed_)
        return;
    recordNote("closedWithParent");
    Close();
}

Controller::~Controller() {
    recordNote("released", {jsonUtf8("controller")});
    destroyPageWindow(pageWindow_);
    if (link_)
        closeBrowserLink(*link_);
    if (liveController == this)
        liveController = nullptr;
}

ComPtr<Controller> Controller::live() {
    return ComPtr<Controller>(liveController);
}

void Controller::changeRasterizationScale(const std::string& id, double scale) {
    // The web view follows the monitor only while it is asked to detect its changes, and
    // tells the program only when its own scale changed.
    std::vector<ComPtr<ICoreWebView2RasterizationScaleChangedEventHandler>> handlers;
    if (detectMonitorScaleChanges_ && scale != rasterizationScale_) {
        rasterizationScale_ = scale;
        sendBounds();
        handlers = scaleChanged_.snapshot();
    }
    for (const auto& handler : handlers)
        handler->Invoke(this, nullptr);
    recordNote("rasterizationScale",
               {id, jsonReal(scale), jsonInt(static_cast<long long>(handlers.size()))});
}

HRESULT STDMETHODCALLTYPE Controller::QueryInterface(REFIID iid, void** object) {
    return answer(iid, object,
                  {&IID_ICoreWebView2Controller, &IID_ICoreWebView2Controller2,
                   &IID_ICoreWebView2Controller3});
}

HRESULT STDMETHODCALLTYPE Controller::get_IsVisible(BOOL* isVisible) {
    recordCall("controller.get_IsVisible");
    return copyOut(visible_, isVisible);
}

HRESULT STDMETHODCALLTYPE Controller::put_IsVisible(BOOL isVisible) {
    recordCall("controller.put_IsVisible", {jsonBool(isVisible)});
    if (closed_)
        return kClosedState;
    visible_ = isVisible ? TRUE : FALSE;
    if (link_) {
        ShowWindow(pageWindow_, visible_ ? SW_SHOWNA : SW_HIDE);
        sendBrowserOp(*link_, std::string("{\"op\":\"visible\",\"on\":") +
                                  (visible_ ? "true" : "false") + "}");
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Controller::get_Bounds(RECT* bounds) {
    recordCall("controller.get_Bounds");
    return copyOut(bounds_, bounds);
}

HRESULT STDMETHODCALLTYPE Controller::put_Bounds(RECT bounds) {
    recordCall("controller.put_Bounds", {jsonRect(bounds)});
    if (closed_)
        return kClosedState;
    bounds_ = bounds;
    sendBounds();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Controller::get_ZoomFactor(double* zoomFactor) {
    recordCall("controller.get_ZoomFactor");
    return copyOut(zoomFactor_, zoomFactor);
}

HRESULT STDMETHODCALLTYPE Controller::put_ZoomFactor(double zoomFactor) {
    recordCall("controller.put_ZoomFactor", {jsonReal(zoomFactor)});
    zoomFactor_ = zoomFactor;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Controller::SetBoundsAndZoomFactor(RECT bounds, double zoomFactor) {
    recordCall("controller.SetBoundsAndZoomFactor", {jsonRect(bounds), jsonReal(zoomFactor)});
    bounds_ = bounds;
    zoomFactor_ = zoomFactor;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Controller::MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON reason) {
    recordCall("controller.MoveFocus", {jsonInt(reason)});
    if (pageWindow_ && !closed_)
        SetFocus(pageWindow_);
    return closed_ ? HRESULT_FROM_WIN32(ERROR_INVALID_STATE) : S_OK;
}

HRESULT STDMETHODCALLTYPE Controller::get_ParentWindow(HWND* parentWindow) {
    recordCall("controller.get_ParentWindow");
    return copyOut(parentWindow_, parentWindow);
}

HRESULT STDMETHODCALLTYPE Controller::put_ParentWindow(HWND parentWindow) {
    recordCall("controller.put_ParentWindow",
               {jsonInt(static_cast<long long>(reinterpret_cast<INT_PTR>(parentWindow)))});
    parentWindow_ = parentWindow;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Controller::NotifyParentWindowPositionChanged() {
    recordCall("controller.NotifyParentWindowPositionChanged");
    return closed_ ? kClosedState : S_OK;
}

HRESULT STDMETHODCALLTYPE Controller::Close() {
    recordCall("controller.Close");
    if (closed_)
        return S_OK;
    closed_ = true;
    scaleChanged_.clear();
    acceleratorKeyPressed_.clear();
    webView_->close();
    destroyPageWindow(pageWindow_);
    pageWindow_ = nullptr;
    if (link_)
        closeBrowserLink(*link_);
    if (liveController == this)
        liveController = nullptr;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Controller::get_CoreWebView2(ICoreWebView2** coreWebView2) {
    recordCall("controller.get_CoreWebView2");
    if (!coreWebView2)
        return E_POINTER;
    if (closed_) {
        *coreWebView2 = nullptr;
        return kClosedState;
    }
    *coreWebView2 = webView_.Get();
    webView_->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Controller::get_DefaultBackgroundColor(COREWEBVIEW2_COLOR* value) {
    recordCall("controller.get_DefaultBackgroundColor");
    return copyOut(background_, value);
}

HRESULT STDMETHODCALLTYPE Controller::put_DefaultBackgroundColor(COREWEBVIEW2_COLOR value) {
    recordCall("controller.put_DefaultBackgroundColor",
               {jsonInt(value.A), jsonInt(value.R), jsonInt(value.G), jsonInt(value.B)});
    if (closed_)
        return kClosedState;
    // Only opaque or fully transparent: the runtime refuses semi-transparent colours.
    if (value.A != 0 && value.A != 255)
        return E_INVALIDARG;
    background_ = value;
    if (link_)
        sendBrowserOp(*link_, "{\"op\":\"background\",\"a\":" + jsonInt(value.A) +
                                  ",\"r\":" + jsonInt(value.R) + ",\"g\":" + jsonInt(value.G) +
                                  ",\"b\":" + jsonInt(value.B) + "}");
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Controller::get_RasterizationScale(double* scale) {
    recordCall("controller.get_RasterizationScale");
    if (closed_)
        return kClosedState;
    return copyOut(rasterizationScale_, scale);
}

HRESULT STDMETHODCALLTYPE Controller::put_RasterizationScale(double scale) {
    recordCall("controller.put_RasterizationScale", {jsonReal(scale)});
    if (!(scale > 0))
        return E_INVALIDARG;
    rasterizationScale_ = scale;
    sendBounds();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Controller::get_ShouldDetectMonitorScaleChanges(BOOL* value) {
    recordCall("controller.get_ShouldDetectMonitorScaleChanges");
    return copyOut(detectMonitorScaleChanges_, value);
}

HRESULT STDMETHODCALLTYPE Controller::put_ShouldDetectMonitorScaleChanges(BOOL value) {
    recordCall("controller.put_ShouldDetectMonitorScaleChanges", {jsonBool(value)});
    detectMonitorScaleChanges_ = value ? TRUE : FALSE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Controller::add_RasterizationScaleChanged(
    ICoreWebView2RasterizationScaleChangedEventHandler* eventHandler,
    EventRegistrationToken* token) {
    return scaleChanged_.add("controller.add_RasterizationScaleChanged", eventHandler, token);
}

HRESULT STDMETHODCALLTYPE
Controller::remove_RasterizationScaleChanged(EventRegistrationToken token) {
    return scaleChanged_.remove("controller.remove_RasterizationScaleChanged", token);
}

HRESULT STDMETHODCALLTYPE Controller::get_BoundsMode(COREWEBVIEW2_BOUNDS_MODE* boundsMode) {
    recordCall("controller.get_BoundsMode");
    return copyOut(boundsMode_, boundsMode);
}

HRESULT STDMETHODCALLTYPE Controller::put_BoundsMode(COREWEBVIEW2_BOUNDS_MODE boundsMode) {
    recordCall("controller.put_BoundsMode", {jsonInt(boundsMode)});
    boundsMode_ = boundsMode;
    return S_OK;
}

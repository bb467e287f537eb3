#pragma once
// The controller (ICoreWebView2Controller3): bounds, visibility, background colour, focus
// and the rasterization scale, each kept and recorded; it owns the web view.
#include "browser_link.h"
#include "com_object.h"
#include "webview.h"

class Controller final : public ComObject<ICoreWebView2Controller3> {
  public:
    // With a browser link the page runs in Chromium and shows in a child window of parentWindow.
    Controller(HWND parentWindow, DWORD browserProcessId, std::shared_ptr<BrowserLink> link);

    // The one controller a test drives: the newest one not yet closed, or null.
    static ComPtr<Controller> live();

    // A test's new scale, as when the window moves to another monitor: the program's
    // RasterizationScaleChanged handlers run and a note records it.
    void changeRasterizationScale(const std::string& id, double scale);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE get_IsVisible(BOOL* isVisible) override;
    HRESULT STDMETHODCALLTYPE put_IsVisible(BOOL isVisible) override;
    HRESULT STDMETHODCALLTYPE get_Bounds(RECT* bounds) override;
    HRESULT STDMETHODCALLTYPE put_Bounds(RECT bounds) override;
    HRESULT STDMETHODCALLTYPE get_ZoomFactor(double* zoomFactor) override;
    HRESULT STDMETHODCALLTYPE put_ZoomFactor(double zoomFactor) override;
    HRESULT STDMETHODCALLTYPE SetBoundsAndZoomFactor(RECT bounds, double zoomFactor) override;
    HRESULT STDMETHODCALLTYPE MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON reason) override;
    HRESULT STDMETHODCALLTYPE get_ParentWindow(HWND* parentWindow) override;
    HRESULT STDMETHODCALLTYPE put_ParentWindow(HWND parentWindow) override;
    HRESULT STDMETHODCALLTYPE NotifyParentWindowPositionChanged() override;
    HRESULT STDMETHODCALLTYPE Close() override;
    HRESULT STDMETHODCALLTYPE get_CoreWebView2(ICoreWebView2** coreWebView2) override;
    HRESULT STDMETHODCALLTYPE get_DefaultBackgroundColor(COREWEBVIEW2_COLOR* value) override;
    HRESULT STDMETHODCALLTYPE put_DefaultBackgroundColor(COREWEBVIEW2_COLOR value) override;
    HRESULT STDMETHODCALLTYPE get_RasterizationScale(double* scale) override;
    HRESULT STDMETHODCALLTYPE put_RasterizationScale(double scale) override;
    HRESULT STDMETHODCALLTYPE get_ShouldDetectMonitorScaleChanges(BOOL* value) override;
    HRESULT STDMETHODCALLTYPE put_ShouldDetectMonitorScaleChanges(BOOL value) override;
    HRESULT STDMETHODCALLTYPE
    add_RasterizationScaleChanged(ICoreWebView2RasterizationScaleChangedEventHandler* eventHandler,
                                  EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE
    remove_RasterizationScaleChanged(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE get_BoundsMode(COREWEBVIEW2_BOUNDS_MODE* boundsMode) override;
    HRESULT STDMETHODCALLTYPE put_BoundsMode(COREWEBVIEW2_BOUNDS_MODE boundsMode) override;

    // accelerator_keys.cpp
    HRESULT STDMETHODCALLTYPE
    add_AcceleratorKeyPressed(ICoreWebView2AcceleratorKeyPressedEventHandler* eventHandler,
                              EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_AcceleratorKeyPressed(EventRegistrationToken token) override;

    // Not offered (controller_not_implemented.cpp).
    HRESULT STDMETHODCALLTYPE
    add_ZoomFactorChanged(ICoreWebView2ZoomFactorChangedEventHandler* eventHandler,
                          EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_ZoomFactorChanged(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE
    add_MoveFocusRequested(ICoreWebView2MoveFocusRequestedEventHandler* eventHandler,
                           EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_MoveFocusRequested(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE add_GotFocus(ICoreWebView2FocusChangedEventHandler* eventHandler,
                                           EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_GotFocus(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE add_LostFocus(ICoreWebView2FocusChangedEventHandler* eventHandler,
                                            EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_LostFocus(EventRegistrationToken token) override;

  private:
    ~Controller() override;
    void sendBounds();
    void closeWithParent();
    // A key message for the page window: true when a handler marked it handled.
    bool raiseAcceleratorKey(UINT message, WPARAM key, LPARAM lParam);

    ComPtr<WebView> webView_;
    HWND parentWindow_;
    RECT bounds_{};
    BOOL visible_ = TRUE;
    double zoomFactor_ = 1.0;
    COREWEBVIEW2_COLOR background_{255, 255, 255, 255};
    double rasterizationScale_;
    BOOL detectMonitorScaleChanges_ = TRUE;
    COREWEBVIEW2_BOUNDS_MODE boundsMode_ = COREWEBVIEW2_BOUNDS_MODE_USE_RAW_PIXELS;
    bool closed_ = false;
    HandlerList<ICoreWebView2RasterizationScaleChangedEventHandler> scaleChanged_;
    HandlerList<ICoreWebView2AcceleratorKeyPressedEventHandler> acceleratorKeyPressed_;
    std::shared_ptr<BrowserLink> link_;
    HWND pageWindow_ = nullptr;
};

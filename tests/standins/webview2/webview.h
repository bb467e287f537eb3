#pragma once
// The web view (ICoreWebView2_3). It keeps the page's address, raises the page's events when
// a test asks, and records what the program does with it.
#include "browser_link.h"
#include "com_object.h"
#include "memory_level.h"
#include "settings.h"

#include <memory>
#include <functional>
#include <optional>
#include <vector>

class WebView final : public ComObject<ICoreWebView2_3>, private MemoryLevelOwner {
  public:
    WebView(DWORD browserProcessId, std::shared_ptr<BrowserLink> link);

    // The one web view a test drives: the newest one not yet closed, or null.
    static ComPtr<WebView> live();

    // The page's side, run on the program's thread. Each records a note with the outcome;
    // id is the test's command id as a JSON fragment (null for the runtime's own events).
    void raiseWebMessage(const std::string& id, std::wstring source, std::wstring json,
                         std::optional<std::wstring> asString);
    // Returns whether a handler cancelled the navigation.
    bool raiseNavigationStarting(const std::string& id, const std::wstring& uri,
                                 bool userInitiated);
    void raiseNewWindowRequested(const std::string& id, const std::wstring& uri);

    // The runtime reports a failed process (process_failure.cpp): what the failure has done
    // already happens first (gone is run), then the program's ProcessFailed handlers run;
    // returns how many. After a renderer exit the page is an error page until the next
    // navigation starts.
    size_t raiseProcessFailed(COREWEBVIEW2_PROCESS_FAILED_KIND kind,
                              const std::function<void()>& gone);
    void showErrorPage() { errorPage_ = true; }
    bool showsErrorPage() const { return errorPage_; }

    // Browser-backed mode, for the newest navigation (navigation_events.cpp): its document
    // began to load (an error page too), then the navigation ended.
    void raiseContentLoading(bool errorPage);
    void raiseNavigationCompleted(bool success, COREWEBVIEW2_WEB_ERROR_STATUS status);

    // Browser-backed mode: one event of the page's browser (browser_link.h).
    void onBrowserEvent(const std::vector<std::string>& fields);

    // Called by the controller's Close: no events from then on.
    void close();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE get_Settings(ICoreWebView2Settings** settings) override;
    HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* uri) override;
    HRESULT STDMETHODCALLTYPE Navigate(LPCWSTR uri) override;
    HRESULT STDMETHODCALLTYPE
    add_NavigationStarting(ICoreWebView2NavigationStartingEventHandler* eventHandler,
                           EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_NavigationStarting(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE Reload() override;
    HRESULT STDMETHODCALLTYPE PostWebMessageAsJson(LPCWSTR webMessageAsJson) override;
    HRESULT STDMETHODCALLTYPE PostWebMessageAsString(LPCWSTR webMessageAsString) override;
    HRESULT STDMETHODCALLTYPE
    add_WebMessageReceived(ICoreWebView2WebMessageReceivedEventHandler* handler,
                           EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_WebMessageReceived(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE get_BrowserProcessId(UINT32* value) override;
    HRESULT STDMETHODCALLTYPE
    add_NewWindowRequested(ICoreWebView2NewWindowRequestedEventHandler* eventHandler,
                           EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_NewWindowRequested(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE
    SetVirtualHostNameToFolderMapping(LPCWSTR hostName, LPCWSTR folderPath,
                                      COREWEBVIEW2_HOST_RESOURCE_ACCESS_KIND accessKind) override;
    HRESULT STDMETHODCALLTYPE ClearVirtualHostNameToFolderMapping(LPCWSTR hostName) override;
    HRESULT STDMETHODCALLTYPE
    add_ProcessFailed(ICoreWebView2ProcessFailedEventHandler* eventHandler,
                      EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_ProcessFailed(EventRegistrationToken token) override;

    HRESULT STDMETHODCALLTYPE
    add_ContentLoading(ICoreWebView2ContentLoadingEventHandler* eventHandler,
                       EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_ContentLoading(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE
    add_NavigationCompleted(ICoreWebView2NavigationCompletedEventHandler* eventHandler,
                            EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_NavigationCompleted(EventRegistrationToken token) override;

    // Not offered (webview_not_implemented.cpp).
    HRESULT STDMETHODCALLTYPE NavigateToString(LPCWSTR htmlContent) override;
    HRESULT STDMETHODCALLTYPE
    add_SourceChanged(ICoreWebView2SourceChangedEventHandler* eventHandler,
                      EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_SourceChanged(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE
    add_HistoryChanged(ICoreWebView2HistoryChangedEventHandler* eventHandler,
                       EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_HistoryChanged(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE
    add_FrameNavigationStarting(ICoreWebView2NavigationStartingEventHandler* eventHandler,
                                EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_FrameNavigationStarting(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE
    add_FrameNavigationCompleted(ICoreWebView2NavigationCompletedEventHandler* eventHandler,
                                 EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE
    remove_FrameNavigationCompleted(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE
    add_ScriptDialogOpening(ICoreWebView2ScriptDialogOpeningEventHandler* eventHandler,
                            EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_ScriptDialogOpening(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE
    add_PermissionRequested(ICoreWebView2PermissionRequestedEventHandler* eventHandler,
                            EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_PermissionRequested(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE AddScriptToExecuteOnDocumentCreated(
        LPCWSTR javaScript,
        ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler* handler) override;
    HRESULT STDMETHODCALLTYPE RemoveScriptToExecuteOnDocumentCreated(LPCWSTR id) override;
    HRESULT STDMETHODCALLTYPE
    ExecuteScript(LPCWSTR javaScript, ICoreWebView2ExecuteScriptCompletedHandler* handler) override;
    HRESULT STDMETHODCALLTYPE
    CapturePreview(COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT imageFormat, IStream* imageStream,
                   ICoreWebView2CapturePreviewCompletedHandler* handler) override;
    HRESULT STDMETHODCALLTYPE CallDevToolsProtocolMethod(
        LPCWSTR methodName, LPCWSTR parametersAsJson,
        ICoreWebView2CallDevToolsProtocolMethodCompletedHandler* handler) override;
    HRESULT STDMETHODCALLTYPE get_CanGoBack(BOOL* canGoBack) override;
    HRESULT STDMETHODCALLTYPE get_CanGoForward(BOOL* canGoForward) override;
    HRESULT STDMETHODCALLTYPE GoBack() override;
    HRESULT STDMETHODCALLTYPE GoForward() override;
    HRESULT STDMETHODCALLTYPE GetDevToolsProtocolEventReceiver(
        LPCWSTR eventName, ICoreWebView2DevToolsProtocolEventReceiver** receiver) override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE
    add_DocumentTitleChanged(ICoreWebView2DocumentTitleChangedEventHandler* eventHandler,
                             EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_DocumentTitleChanged(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE get_DocumentTitle(LPWSTR* title) override;
    HRESULT STDMETHODCALLTYPE AddHostObjectToScript(LPCWSTR name, VARIANT* object) override;
    HRESULT STDMETHODCALLTYPE RemoveHostObjectFromScript(LPCWSTR name) override;
    HRESULT STDMETHODCALLTYPE OpenDevToolsWindow() override;
    HRESULT STDMETHODCALLTYPE add_ContainsFullScreenElementChanged(
        ICoreWebView2ContainsFullScreenElementChangedEventHandler* eventHandler,
        EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE
    remove_ContainsFullScreenElementChanged(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE
    get_ContainsFullScreenElement(BOOL* containsFullScreenElement) override;
    HRESULT STDMETHODCALLTYPE
    add_WebResourceRequested(ICoreWebView2WebResourceRequestedEventHandler* eventHandler,
                             EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_WebResourceRequested(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE AddWebResourceRequestedFilter(
        const LPCWSTR uri, const COREWEBVIEW2_WEB_RESOURCE_CONTEXT resourceContext) override;
    HRESULT STDMETHODCALLTYPE RemoveWebResourceRequestedFilter(
        const LPCWSTR uri, const COREWEBVIEW2_WEB_RESOURCE_CONTEXT resourceContext) override;
    HRESULT STDMETHODCALLTYPE
    add_WindowCloseRequested(ICoreWebView2WindowCloseRequestedEventHandler* eventHandler,
                             EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_WindowCloseRequested(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE add_WebResourceResponseReceived(
        ICoreWebView2WebResourceResponseReceivedEventHandler* eventHandler,
        EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE
    remove_WebResourceResponseReceived(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE
    NavigateWithWebResourceRequest(ICoreWebView2WebResourceRequest* request) override;
    HRESULT STDMETHODCALLTYPE
    add_DOMContentLoaded(ICoreWebView2DOMContentLoadedEventHandler* eventHandler,
                         EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_DOMContentLoaded(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE
    get_CookieManager(ICoreWebView2CookieManager** cookieManager) override;
    HRESULT STDMETHODCALLTYPE get_Environment(ICoreWebView2Environment** environment) override;
    HRESULT STDMETHODCALLTYPE TrySuspend(ICoreWebView2TrySuspendCompletedHandler* handler) override;
    HRESULT STDMETHODCALLTYPE Resume() override;
    HRESULT STDMETHODCALLTYPE get_IsSuspended(BOOL* isSuspended) override;

  private:
    ~WebView() override;
    long ownerQueryInterface(const GUID& iid, void** object) override;
    unsigned long ownerAddRef() override { return AddRef(); }
    unsigned long ownerRelease() override { return Release(); }
    long setMemoryLevel(int level) override;
    int memoryLevel() const override { return memoryLevel_; }

    ComPtr<Settings> settings_;
    DWORD browserProcessId_;
    std::shared_ptr<BrowserLink> link_;
    std::wstring source_ = L"about:blank";
    UINT64 lastNavigationId_ = 0;
    bool closed_ = false;
    bool errorPage_ = false;
    HandlerList<ICoreWebView2NavigationStartingEventHandler> navigationStarting_;
    HandlerList<ICoreWebView2WebMessageReceivedEventHandler> webMessageReceived_;
    HandlerList<ICoreWebView2NewWindowRequestedEventHandler> newWindowRequested_;
    HandlerList<ICoreWebView2ProcessFailedEventHandler> processFailed_;
    HandlerList<ICoreWebView2ContentLoadingEventHandler> contentLoading_;
    HandlerList<ICoreWebView2NavigationCompletedEventHandler> navigationCompleted_;
    void* memoryLevelFace_ = nullptr;
    int memoryLevel_ = COREWEBVIEW2_MEMORY_USAGE_TARGET_LEVEL_NORMAL;
};

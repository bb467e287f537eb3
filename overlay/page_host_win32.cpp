// The WebView2 page inside the host window: environment, controller, settings, the
// virtual host for the web folder, the page's web messages, and what happens when the page
// is replaced or its browser or renderer fails.
#include "page_host.h"

#include <shlobj.h>

#include "../common/com_handler.h"
#include "../common/environment_options.h"
#include "display_modes.h"
#include "host_window.h"
#include "host_window_rules.h"
#include "log.h"
#include "overlay_state.h"
#include "page_bridge.h"
#include "page_messages.h"
#include "page_recovery.h"
#include "rate_stats.h"
#include "utf8.h"

using Microsoft::WRL::ComPtr;

namespace {

std::wstring userDataFolder() {
    if (!state.dataDir.empty())
        return state.dataDir;
    PWSTR localAppData = nullptr;
    std::wstring folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &localAppData)))
        folder = std::wstring(localAppData) + L"\\VYR\\overlay";
    CoTaskMemFree(localAppData);
    return folder;
}

// Messages from any other document (the page may have followed a link) are dropped
// without a word.
bool fromOwnOrigin(ICoreWebView2WebMessageReceivedEventArgs* args) {
    LPWSTR source = nullptr;
    bool own = SUCCEEDED(args->get_Source(&source)) && source && messageFromOwnOrigin(source);
    CoTaskMemFree(source);
    return own;
}

HRESULT onWebMessage(ICoreWebView2*, ICoreWebView2WebMessageReceivedEventArgs* args) {
    if (!args || !fromOwnOrigin(args))
        return S_OK;
    rateCount(RateEvent::pageToHost);
    LPWSTR json = nullptr;
    if (SUCCEEDED(args->get_WebMessageAsJson(&json)) && json)
        handlePageMessage(json);
    CoTaskMemFree(json);
    return S_OK;
}

// Every new document, a reload too, has to say ready before it hears anything more.
HRESULT onNavigationStarting(ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs*) {
    pageReplaced();
    return S_OK;
}

// A failed browser or renderer leaves a dead page: its rectangles are lifted so that they no
// longer take the game's clicks, everything for the page waits for the new one's ready, and
// the page comes back as after a fresh start.
HRESULT onProcessFailed(ICoreWebView2*, ICoreWebView2ProcessFailedEventArgs* args) {
    COREWEBVIEW2_PROCESS_FAILED_KIND kind = COREWEBVIEW2_PROCESS_FAILED_KIND_UNKNOWN_PROCESS_EXITED;
    if (!args || FAILED(args->get_ProcessFailedKind(&kind)))
        return S_OK;
    logLine("%s", recoveryLine(kind).c_str());
    const PageRecovery recovery = recoveryFor(kind);
    if (recovery == PageRecovery::none)
        return S_OK;
    pageReplaced();
    state.hitRects.clear();
    applyRegion(true);
    if (recovery == PageRecovery::reloadPage) {
        state.webView->Reload();
        return S_OK;
    }
    // The runtime has closed this web view and its environment makes no more: start over.
    state.webView.Reset();
    state.controller.Reset();
    state.browserProcessId = 0;
    startPageHost();
    return S_OK;
}

void configureWebView() {
    ComPtr<ICoreWebView2Controller2> controller2;
    if (SUCCEEDED(state.controller->QueryInterface(
            IID_ICoreWebView2Controller2, reinterpret_cast<void**>(controller2.GetAddressOf()))))
        controller2->put_DefaultBackgroundColor(state.covered ? COREWEBVIEW2_COLOR{255, 11, 11, 24}
                                                              : COREWEBVIEW2_COLOR{0, 0, 0, 0});
    ComPtr<ICoreWebView2Settings> settings;
    if (SUCCEEDED(state.webView->get_Settings(&settings)) && settings) {
        settings->put_AreDefaultContextMenusEnabled(FALSE);
        settings->put_IsStatusBarEnabled(FALSE);
        settings->put_IsZoomControlEnabled(FALSE);
        settings->put_AreDevToolsEnabled(TRUE);
    }
    ComPtr<ICoreWebView2_3> webView3;
    if (SUCCEEDED(state.webView->QueryInterface(IID_ICoreWebView2_3,
                                                reinterpret_cast<void**>(webView3.GetAddressOf()))))
        webView3->SetVirtualHostNameToFolderMapping(kVirtualHost, state.webDir.c_str(),
                                                    COREWEBVIEW2_HOST_RESOURCE_ACCESS_KIND_ALLOW);
}

HRESULT onControllerCreated(HRESULT result, ICoreWebView2Controller* controller) {
    if (FAILED(result) || !controller) {
        logLine("WebView2 controller failed: 0x%08lx", static_cast<unsigned long>(result));
        return S_OK;
    }
    state.controller = controller;
    state.webView.Reset();
    HRESULT got = controller->get_CoreWebView2(&state.webView);
    if (FAILED(got) || !state.webView) {
        logLine("WebView2 controller failed: 0x%08lx",
                static_cast<unsigned long>(FAILED(got) ? got : E_POINTER));
        return S_OK;
    }
    UINT32 browserPid = 0;
    if (SUCCEEDED(state.webView->get_BrowserProcessId(&browserPid))) {
        state.browserProcessId = browserPid;
        logLine("WebView2 browser process pid %u", browserPid);
    }
    configureWebView();
    // The handlers stay for the life of the web view: their tokens are not kept.
    EventRegistrationToken token{};
    state.webView->add_WebMessageReceived(
        makeComHandler<ICoreWebView2WebMessageReceivedEventHandler,
                       IID_ICoreWebView2WebMessageReceivedEventHandler>(onWebMessage)
            .Get(),
        &token);
    state.webView->add_NavigationStarting(
        makeComHandler<ICoreWebView2NavigationStartingEventHandler,
                       IID_ICoreWebView2NavigationStartingEventHandler>(onNavigationStarting)
            .Get(),
        &token);
    state.webView->add_ProcessFailed(
        makeComHandler<ICoreWebView2ProcessFailedEventHandler,
                       IID_ICoreWebView2ProcessFailedEventHandler>(onProcessFailed)
            .Get(),
        &token);
    fit_to_game();
    // Visible whenever the host window shows: the runtime draws no hidden web view, so under
    // the cover a hidden page could never draw and take the cover off.
    state.controller->put_IsVisible(webViewShown(state.displayMode, state.covered) ? TRUE : FALSE);
    std::wstring page = startPageUrl();
    state.webView->Navigate(page.c_str());
    logLine("WebView2 ready, page %s from %s", toUtf8(page).c_str(), toUtf8(state.webDir).c_str());
    return S_OK;
}

HRESULT onEnvironmentCreated(HRESULT result, ICoreWebView2Environment* environment) {
    if (FAILED(result) || !environment) {
        logLine("WebView2 environment failed: 0x%08lx (is the runtime installed?)",
                static_cast<unsigned long>(result));
        return S_OK;
    }
    environment->CreateCoreWebView2Controller(
        state.hostWindow,
        makeComHandler<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler,
                       IID_ICoreWebView2CreateCoreWebView2ControllerCompletedHandler>(
            onControllerCreated)
            .Get());
    return S_OK;
}

} // namespace

void reloadPage() {
    if (state.webView && SUCCEEDED(state.webView->Reload()))
        pageReplaced();
}

void startPageHost() {
    std::wstring dataFolder = userDataFolder();
    ComPtr<ICoreWebView2EnvironmentOptions> options = makeEnvironmentOptions();
    options->put_AdditionalBrowserArguments(L"--autoplay-policy=no-user-gesture-required");
    HRESULT result = CreateCoreWebView2EnvironmentWithOptions(
        nullptr, dataFolder.empty() ? nullptr : dataFolder.c_str(), options.Get(),
        makeComHandler<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler,
                       IID_ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler>(
            onEnvironmentCreated)
            .Get());
    if (FAILED(result))
        logLine("CreateCoreWebView2EnvironmentWithOptions: 0x%08lx",
                static_cast<unsigned long>(result));
}

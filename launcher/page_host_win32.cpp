// The launcher page inside the launcher window: environment, controller, settings by dev
// mode, the web folder under its virtual host, navigation kept on that host, no pop-ups,
// and the page's web messages to the page bridge.
#include "page_host.h"

#include "../common/com_handler.h"
#include "../common/environment_options.h"
#include "after_handler.h"
#include "launcher_state.h"
#include "launcher_window.h"
#include "log.h"
#include "page_bridge.h"
#include "page_delivery.h"
#include "page_recovery.h"
#include "page_rules.h"
#include "startup_text.h"
#include "utf8.h"

using Microsoft::WRL::ComPtr;

namespace {

HRESULT onNavigationStarting(ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs* args) {
    if (!args)
        return S_OK;
    LPWSTR uri = nullptr;
    bool allowed = SUCCEEDED(args->get_Uri(&uri)) && uri && navigationAllowed(uri);
    CoTaskMemFree(uri);
    if (!allowed)
        args->put_Cancel(TRUE);
    return S_OK;
}

HRESULT onNewWindowRequested(ICoreWebView2*, ICoreWebView2NewWindowRequestedEventArgs* args) {
    if (args)
        args->put_Handled(TRUE);
    return S_OK;
}

// Navigation is already held to our origin; should a document of another origin post all
// the same, its messages are dropped without a word.
bool fromOwnOrigin(ICoreWebView2WebMessageReceivedEventArgs* args) {
    LPWSTR source = nullptr;
    bool own = SUCCEEDED(args->get_Source(&source)) && source && messageFromOwnOrigin(source);
    CoTaskMemFree(source);
    return own;
}

HRESULT onWebMessage(ICoreWebView2*, ICoreWebView2WebMessageReceivedEventArgs* args) {
    if (!args || !fromOwnOrigin(args))
        return S_OK;
    LPWSTR json = nullptr;
    if (SUCCEEDED(args->get_WebMessageAsJson(&json)) && json)
        handlePageMessage(toUtf8(json));
    CoTaskMemFree(json);
    return S_OK;
}

// What the last failures asked for; the strongest wins, and recoverPage does it once.
PageRecovery pendingRecovery = PageRecovery::none;

// The page goes, so messages for it are kept until the next one says hello. The recovery
// waits for this handler to return: closing the web view inside its own handler, or a
// message box should no runtime come back, would re-enter the runtime.
HRESULT onProcessFailed(ICoreWebView2*, ICoreWebView2ProcessFailedEventArgs* args) {
    COREWEBVIEW2_PROCESS_FAILED_KIND kind{};
    if (!args || FAILED(args->get_ProcessFailedKind(&kind)))
        return S_OK;
    launcherLog("%s", processFailedLogLine(static_cast<int>(kind)).c_str());
    PageRecovery recovery = recoveryFor(static_cast<int>(kind));
    if (recovery == PageRecovery::none)
        return S_OK;
    holdPageMessages();
    if (recovery > pendingRecovery)
        pendingRecovery = recovery;
    PostMessageW(state.mainWindow, kRecoverPageMessage, 0, 0);
    return S_OK;
}

void applySettings() {
    ComPtr<ICoreWebView2Settings> settings;
    if (FAILED(state.webView->get_Settings(&settings)) || !settings)
        return;
    PageSettings wanted = pageSettingsFor(state.devMode);
    settings->put_AreDefaultContextMenusEnabled(wanted.contextMenus);
    settings->put_IsStatusBarEnabled(wanted.statusBar);
    settings->put_IsZoomControlEnabled(wanted.zoomControl);
    settings->put_AreDevToolsEnabled(wanted.devTools);
    ComPtr<ICoreWebView2Settings3> settings3;
    if (SUCCEEDED(settings->QueryInterface(IID_ICoreWebView2Settings3,
                                           reinterpret_cast<void**>(settings3.GetAddressOf()))))
        settings3->put_AreBrowserAcceleratorKeysEnabled(wanted.acceleratorKeys);
}

// The window's own colour, so no white flash shows before the page paints.
void applyBackground() {
    ComPtr<ICoreWebView2Controller2> controller2;
    if (SUCCEEDED(state.controller->QueryInterface(
            IID_ICoreWebView2Controller2, reinterpret_cast<void**>(controller2.GetAddressOf()))))
        controller2->put_DefaultBackgroundColor(
            COREWEBVIEW2_COLOR{255, GetRValue(kLauncherBackground), GetGValue(kLauncherBackground),
                               GetBValue(kLauncherBackground)});
}

void mapWebFolder() {
    ComPtr<ICoreWebView2_3> webView3;
    if (SUCCEEDED(state.webView->QueryInterface(IID_ICoreWebView2_3,
                                                reinterpret_cast<void**>(webView3.GetAddressOf()))))
        webView3->SetVirtualHostNameToFolderMapping(
            kVirtualHost, state.webDir.c_str(), COREWEBVIEW2_HOST_RESOURCE_ACCESS_KIND_DENY_CORS);
}

void addHandlers() {
    EventRegistrationToken token{};
    state.webView->add_NavigationStarting(
        makeComHandler<ICoreWebView2NavigationStartingEventHandler,
                       IID_ICoreWebView2NavigationStartingEventHandler>(onNavigationStarting)
            .Get(),
        &token);
    state.webView->add_NewWindowRequested(
        makeComHandler<ICoreWebView2NewWindowRequestedEventHandler,
                       IID_ICoreWebView2NewWindowRequestedEventHandler>(onNewWindowRequested)
            .Get(),
        &token);
    state.webView->add_WebMessageReceived(
        makeComHandler<ICoreWebView2WebMessageReceivedEventHandler,
                       IID_ICoreWebView2WebMessageReceivedEventHandler>(onWebMessage)
            .Get(),
        &token);
    state.webView->add_ProcessFailed(
        makeComHandler<ICoreWebView2ProcessFailedEventHandler,
                       IID_ICoreWebView2ProcessFailedEventHandler>(onProcessFailed)
            .Get(),
        &token);
}

HRESULT onControllerCreated(HRESULT result, ICoreWebView2Controller* controller) {
    if (FAILED(result) || !controller) {
        launcherLog("WebView2 controller failed: 0x%08lx", static_cast<unsigned long>(result));
        return S_OK;
    }
    state.controller = controller;
    state.webView.Reset();
    HRESULT got = controller->get_CoreWebView2(&state.webView);
    if (FAILED(got) || !state.webView) {
        // A controller without its web view cannot show anything; carry on with the window.
        launcherLog("WebView2 controller failed: 0x%08lx",
                    static_cast<unsigned long>(FAILED(got) ? got : E_POINTER));
        return S_OK;
    }
    applyBackground();
    applySettings();
    mapWebFolder();
    addHandlers();
    RECT client{};
    GetClientRect(state.mainWindow, &client);
    state.controller->put_Bounds(client);
    std::wstring page = startPageUrl(state.devMode, state.pageQuery);
    state.webView->Navigate(page.c_str());
    launcherLog("WebView2 ready, page from %s", toUtf8(state.webDir).c_str());
    return S_OK;
}

// Without a runtime the window would stay empty and say nothing; the player is told what
// to install, or what else failed. The box waits for the runtime's handler to return, and the
// window stays open.
void tellEnvironmentFailed(const wchar_t* step, HRESULT result) {
    std::wstring text =
        environmentFailureText(step, static_cast<unsigned long>(result), state.dataDir);
    runAfterHandler(
        [text] { MessageBoxW(state.mainWindow, text.c_str(), kMessageCaption, MB_ICONWARNING); });
}

HRESULT onEnvironmentCreated(HRESULT result, ICoreWebView2Environment* environment) {
    if (FAILED(result) || !environment) {
        launcherLog("WebView2 environment failed: 0x%08lx", static_cast<unsigned long>(result));
        tellEnvironmentFailed(L"creating the WebView2 environment",
                              FAILED(result) ? result : E_POINTER);
        return S_OK;
    }
    HRESULT asked = environment->CreateCoreWebView2Controller(
        state.mainWindow,
        makeComHandler<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler,
                       IID_ICoreWebView2CreateCoreWebView2ControllerCompletedHandler>(
            onControllerCreated)
            .Get());
    // A call that fails at once never runs its handler: this line is all that is left of it.
    if (FAILED(asked))
        launcherLog("CreateCoreWebView2Controller: 0x%08lx", static_cast<unsigned long>(asked));
    return S_OK;
}

} // namespace

void startPageHost() {
    ComPtr<ICoreWebView2EnvironmentOptions> options = makeEnvironmentOptions();
    HRESULT result = CreateCoreWebView2EnvironmentWithOptions(
        nullptr, state.dataDir.c_str(), options.Get(),
        makeComHandler<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler,
                       IID_ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler>(
            onEnvironmentCreated)
            .Get());
    // The loader fails here, from the call itself, when no runtime is installed; the
    // completion handler then never runs.
    if (FAILED(result)) {
        launcherLog("CreateCoreWebView2EnvironmentWithOptions: 0x%08lx",
                    static_cast<unsigned long>(result));
        tellEnvironmentFailed(L"CreateCoreWebView2EnvironmentWithOptions", result);
    }
}

void closePageHost() {
    if (state.controller)
        state.controller->Close();
    state.webView.Reset();
    state.controller.Reset();
}

void recoverPage() {
    PageRecovery recovery = pendingRecovery;
    pendingRecovery = PageRecovery::none;
    if (recovery == PageRecovery::reload && state.webView) {
        state.webView->Reload();
    } else if (recovery == PageRecovery::recreate) {
        // The runtime has closed the web view with its browser; that environment makes no
        // more, so everything starts again from a new one.
        closePageHost();
        startPageHost();
    }
}

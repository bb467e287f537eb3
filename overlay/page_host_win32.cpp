// The WebView2 page inside the host window: environment, controller, settings, the
// virtual host for the web folder, the page's web messages and keys, and what happens when
// the page is replaced, fails to load, or its browser or renderer fails.
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
#include "page_file_store.h"
#include "page_host_rules.h"
#include "page_keys.h"
#include "page_messages.h"
#include "page_recovery.h"
#include "rate_stats.h"
#include "utf8.h"

using Microsoft::WRL::ComPtr;

namespace {

// The page's newest navigation, and whether a document of it has replaced the old one.
UINT64 currentNavigation = 0;
bool contentLoaded = false;

// Failed processes: what the next recovery does, and how many came in a row.
PageRecovery pendingRecovery = PageRecovery::none;
bool giveUpPending = false;
RecoveryBudget recoveryBudget;
constexpr UINT_PTR kRecoveryTimer = 2;

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

template <typename Interface> ComPtr<Interface> query(IUnknown* object, REFIID iid) {
    ComPtr<Interface> result;
    if (object)
        object->QueryInterface(iid, reinterpret_cast<void**>(result.GetAddressOf()));
    return result;
}

void logMissing(const char* interfaceName, const char* without) {
    logLine("WebView2 runtime without %s - %s", interfaceName, without);
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
HRESULT onNavigationStarting(ICoreWebView2* sender,
                             ICoreWebView2NavigationStartingEventArgs* args) {
    if (sender != state.webView.Get())
        return S_OK;
    UINT64 id = 0;
    if (args && SUCCEEDED(args->get_NavigationId(&id)))
        currentNavigation = id;
    contentLoaded = false;
    pageReplaced();
    return S_OK;
}

HRESULT onContentLoading(ICoreWebView2* sender, ICoreWebView2ContentLoadingEventArgs* args) {
    UINT64 id = 0;
    if (sender == state.webView.Get() && args && SUCCEEDED(args->get_NavigationId(&id)) &&
        id == currentNavigation)
        contentLoaded = true;
    return S_OK;
}

// No page over the game: the cover comes down, the rectangles go, the game gets its keys.
void pageFailed() {
    coverOff("the page did not load");
    state.hitRects.clear();
    applyRegion(true);
    handFocus(false);
}

HRESULT onNavigationCompleted(ICoreWebView2* sender,
                              ICoreWebView2NavigationCompletedEventArgs* args) {
    UINT64 id = 0;
    BOOL success = FALSE;
    if (sender != state.webView.Get() || !args || FAILED(args->get_NavigationId(&id)) ||
        id != currentNavigation || FAILED(args->get_IsSuccess(&success)))
        return S_OK; // an older navigation's end: a newer one is under way
    if (!success) {
        COREWEBVIEW2_WEB_ERROR_STATUS status = COREWEBVIEW2_WEB_ERROR_STATUS_UNKNOWN;
        args->get_WebErrorStatus(&status);
        logLine("%s", navigationFailedLine(static_cast<int>(status)).c_str());
    }
    switch (navigationOutcome(success != FALSE, contentLoaded, state.pageLoadingAgain)) {
    case NavigationOutcome::pageStays:
        pageStays();
        break;
    case NavigationOutcome::pageFailed:
        pageFailed();
        break;
    case NavigationOutcome::loaded:
        break;
    }
    return S_OK;
}

// Esc and the toggle key close the overlay while the page has the keyboard; the page never
// sees them. The toggle key is read when pressed, so a changed setting counts at once.
HRESULT onAcceleratorKey(ICoreWebView2Controller*,
                         ICoreWebView2AcceleratorKeyPressedEventArgs* args) {
    COREWEBVIEW2_KEY_EVENT_KIND kind{};
    UINT key = 0;
    if (!args || FAILED(args->get_KeyEventKind(&kind)) || FAILED(args->get_VirtualKey(&key)))
        return S_OK;
    COREWEBVIEW2_PHYSICAL_KEY_STATUS status{};
    bool repeat = SUCCEEDED(args->get_PhysicalKeyStatus(&status)) && status.WasKeyDown;
    if (kind != COREWEBVIEW2_KEY_EVENT_KIND_KEY_DOWN || repeat)
        return S_OK;
    unsigned toggleKey = kDefaultToggleKey;
    if (key != kEscapeKey) {
        std::string settings, keys;
        loadPageFile(pageFilePath(state.docDir, L"vyr_overlay.json"), settings);
        loadPageFile(gameKeysPath(state.docDir), keys);
        toggleKey = toggleKeyFrom(fromUtf8(settings), fromUtf8(keys));
    }
    if (!closesOverlay(kind, key, repeat, toggleKey))
        return S_OK;
    args->put_Handled(TRUE);
    logLine("%s - the overlay closes", key == kEscapeKey ? "Esc" : "the toggle key");
    requestClose();
    return S_OK;
}

HRESULT onRasterizationScaleChanged(ICoreWebView2Controller*, IUnknown*) {
    // The same page rectangles cover other device pixels now.
    applyRegion(true);
    return S_OK;
}

void closeWebView() {
    if (state.controller)
        state.controller->Close();
    state.webView.Reset();
    state.controller.Reset();
    state.browserProcessId = 0;
}

// The overlay stops bringing the page back and goes on without it, still answering the game.
void giveUpPage() {
    closeWebView();
    pageGone();
    coverOff("the page keeps failing");
    state.hitRects.clear();
    applyRegion(true);
    handFocus(false);
}

// Runs from the host window's timer, after the runtime's ProcessFailed handler has returned:
// closing a web view, or making a new one, inside its own handler would re-enter the runtime.
void CALLBACK onRecoveryTimer(HWND window, UINT, UINT_PTR id, DWORD) {
    KillTimer(window, id);
    PageRecovery recovery = pendingRecovery;
    pendingRecovery = PageRecovery::none;
    if (giveUpPending) {
        giveUpPage();
        return;
    }
    if (recovery == PageRecovery::reloadPage && state.webView) {
        state.webView->Reload();
    } else if (recovery == PageRecovery::newWebView) {
        // The runtime has closed this web view and its environment makes no more.
        closeWebView();
        startPageHost();
    }
}

// A failed browser or renderer leaves a dead page: its rectangles are lifted so that they no
// longer take the game's clicks, everything for the page waits for the new one's ready, and
// the page comes back as after a fresh start, unless it keeps failing.
HRESULT onProcessFailed(ICoreWebView2* sender, ICoreWebView2ProcessFailedEventArgs* args) {
    COREWEBVIEW2_PROCESS_FAILED_KIND kind = COREWEBVIEW2_PROCESS_FAILED_KIND_UNKNOWN_PROCESS_EXITED;
    if (sender != state.webView.Get() || !args || FAILED(args->get_ProcessFailedKind(&kind)))
        return S_OK; // only the web view the overlay shows now counts
    const PageRecovery recovery = recoveryFor(kind);
    if (recovery == PageRecovery::none || giveUpPending || pendingRecovery != PageRecovery::none) {
        logLine("%s", recoveryLine(kind).c_str());
        if (recovery > pendingRecovery && pendingRecovery != PageRecovery::none)
            pendingRecovery = recovery; // its timer is set already
        return S_OK;
    }
    pageReplaced();
    state.hitRects.clear();
    applyRegion(true);
    pendingRecovery = recovery;
    RecoveryStep step = nextRecovery(recoveryBudget, GetTickCount());
    giveUpPending = step.giveUp;
    logLine("%s",
            step.giveUp ? giveUpLine(recoveryBudget.failures).c_str() : recoveryLine(kind).c_str());
    SetTimer(state.hostWindow, kRecoveryTimer, step.giveUp ? USER_TIMER_MINIMUM : step.waitMs,
             onRecoveryTimer);
    return S_OK;
}

void configureWebView() {
    if (auto controller2 =
            query<ICoreWebView2Controller2>(state.controller.Get(), IID_ICoreWebView2Controller2))
        controller2->put_DefaultBackgroundColor(state.covered ? COREWEBVIEW2_COLOR{255, 11, 11, 24}
                                                              : COREWEBVIEW2_COLOR{0, 0, 0, 0});
    else
        logMissing("ICoreWebView2Controller2", "the background stays as created");
    ComPtr<ICoreWebView2Settings> settings;
    if (SUCCEEDED(state.webView->get_Settings(&settings)) && settings) {
        settings->put_AreDefaultContextMenusEnabled(FALSE);
        settings->put_IsStatusBarEnabled(FALSE);
        settings->put_IsZoomControlEnabled(FALSE);
        // No reload, print, find or developer tools over the game.
        settings->put_AreDevToolsEnabled(FALSE);
        if (auto settings3 =
                query<ICoreWebView2Settings3>(settings.Get(), IID_ICoreWebView2Settings3))
            settings3->put_AreBrowserAcceleratorKeysEnabled(FALSE);
        else
            logMissing("ICoreWebView2Settings3", "the browser's own keys stay on");
    }
    auto webView3 = query<ICoreWebView2_3>(state.webView.Get(), IID_ICoreWebView2_3);
    if (!webView3) {
        logMissing("ICoreWebView2_3", "no page folder");
        return;
    }
    HRESULT mapped = webView3->SetVirtualHostNameToFolderMapping(
        kVirtualHost, state.webDir.c_str(), COREWEBVIEW2_HOST_RESOURCE_ACCESS_KIND_ALLOW);
    if (FAILED(mapped))
        logLine("SetVirtualHostNameToFolderMapping: 0x%08lx (%s)",
                static_cast<unsigned long>(mapped), toUtf8(state.webDir).c_str());
}

void addHandlers() {
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
    state.webView->add_ContentLoading(
        makeComHandler<ICoreWebView2ContentLoadingEventHandler,
                       IID_ICoreWebView2ContentLoadingEventHandler>(onContentLoading)
            .Get(),
        &token);
    state.webView->add_NavigationCompleted(
        makeComHandler<ICoreWebView2NavigationCompletedEventHandler,
                       IID_ICoreWebView2NavigationCompletedEventHandler>(onNavigationCompleted)
            .Get(),
        &token);
    state.webView->add_ProcessFailed(
        makeComHandler<ICoreWebView2ProcessFailedEventHandler,
                       IID_ICoreWebView2ProcessFailedEventHandler>(onProcessFailed)
            .Get(),
        &token);
    state.controller->add_AcceleratorKeyPressed(
        makeComHandler<ICoreWebView2AcceleratorKeyPressedEventHandler,
                       IID_ICoreWebView2AcceleratorKeyPressedEventHandler>(onAcceleratorKey)
            .Get(),
        &token);
    if (auto controller3 =
            query<ICoreWebView2Controller3>(state.controller.Get(), IID_ICoreWebView2Controller3))
        controller3->add_RasterizationScaleChanged(
            makeComHandler<ICoreWebView2RasterizationScaleChangedEventHandler,
                           IID_ICoreWebView2RasterizationScaleChangedEventHandler>(
                onRasterizationScaleChanged)
                .Get(),
            &token);
    else
        logMissing("ICoreWebView2Controller3", "the region keeps a scale of 1");
    if (!query<ICoreWebView2_19>(state.webView.Get(), IID_ICoreWebView2_19))
        logMissing("ICoreWebView2_19", "a hidden page keeps its memory");
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
    addHandlers();
    fit_to_game();
    // Visible whenever the host window shows: the runtime draws no hidden web view, so under
    // the cover a hidden page could never draw and take the cover off.
    showPage(webViewShown(state.displayMode, state.covered));
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
    HRESULT created = environment->CreateCoreWebView2Controller(
        state.hostWindow,
        makeComHandler<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler,
                       IID_ICoreWebView2CreateCoreWebView2ControllerCompletedHandler>(
            onControllerCreated)
            .Get());
    if (FAILED(created))
        logLine("CreateCoreWebView2Controller: 0x%08lx", static_cast<unsigned long>(created));
    return S_OK;
}

} // namespace

void reloadPage() {
    if (state.webView && SUCCEEDED(state.webView->Reload()))
        pageReplaced();
}

void showPage(bool visible) {
    if (!state.controller)
        return;
    state.controller->put_IsVisible(visible ? TRUE : FALSE);
    // The reference's advice for a web view in the background; scripts go on running.
    if (auto webView19 = query<ICoreWebView2_19>(state.webView.Get(), IID_ICoreWebView2_19))
        webView19->put_MemoryUsageTargetLevel(visible
                                                  ? COREWEBVIEW2_MEMORY_USAGE_TARGET_LEVEL_NORMAL
                                                  : COREWEBVIEW2_MEMORY_USAGE_TARGET_LEVEL_LOW);
}

void startPageHost() {
    // Read by the runtime before the controller exists: no white shows over the game first.
    SetEnvironmentVariableW(L"WEBVIEW2_DEFAULT_BACKGROUND_COLOR",
                            defaultBackgroundVariable(state.covered));
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

// webview2_probe.exe: a tiny page host, the way the kit's programs use WebView2, that the
// stand-in's own tests drive. It logs what it sees to webview2_probe.log beside itself.
//   webview2_probe.exe [--data FOLDER] [--args BROWSER_ARGUMENTS] [--apartment sta|mta|none]
// The page's JSON messages {"cmd":"reload|focus|hide|scale|own-scale|resize|background|modal|
// quit"} make it act; other JSON messages are echoed back as {"echo":...}, strings as the
// same string. After the browser exited it recovers with a new environment; after the
// renderer exited it reloads when the test posts WM_APP + 6 to its window.
#include <windows.h>

#include "com_handler.h"
#include "environment_options.h"

#include <WebView2.h>
#include <wrl/client.h>

#include <cstdio>
#include <cstring>
#include <string>

using Microsoft::WRL::ComPtr;

namespace {

constexpr const wchar_t* kHost = L"vyr-probe.example";
constexpr const wchar_t* kStartPage = L"https://vyr-probe.example/index.html";

struct ProbeState {
    HWND window = nullptr;
    DWORD uiThread = 0;
    std::wstring folder; // with a trailing backslash
    std::wstring dataFolder;
    std::wstring browserArguments = L"--vyr-probe";
    bool recovering = false; // the browser exited: its environment is tried once more
    ComPtr<ICoreWebView2Environment> environment;
    ComPtr<ICoreWebView2Controller> controller;
    ComPtr<ICoreWebView2> webView;
    EventRegistrationToken navigationToken{};
    EventRegistrationToken newWindowToken{};
    EventRegistrationToken messageToken{};
    EventRegistrationToken processFailedToken{};
};

ProbeState probe;

std::string toUtf8(const std::wstring& text) {
    if (text.empty())
        return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size : 0, '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(),
                            size, nullptr, nullptr);
    return out;
}

void logLine(const std::string& line) {
    HANDLE file = CreateFileW((probe.folder + L"webview2_probe.log").c_str(), FILE_APPEND_DATA,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    const std::string text = line + "\n";
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

void logHresult(const char* what, HRESULT result) {
    char text[96];
    std::snprintf(text, sizeof text, "%s 0x%08lx", what, static_cast<unsigned long>(result));
    logLine(text);
}

// Every callback must come on the thread that asked, from its message loop.
void checkThread(const char* callback) {
    if (GetCurrentThreadId() != probe.uiThread)
        logLine(std::string(callback) + " on another thread");
}

std::wstring takeString(LPWSTR text) {
    std::wstring out = text ? text : L"";
    CoTaskMemFree(text);
    return out;
}

template <typename Interface> ComPtr<Interface> queryInterface(IUnknown* object, const IID& iid) {
    ComPtr<Interface> out;
    if (object)
        object->QueryInterface(iid, reinterpret_cast<void**>(out.GetAddressOf()));
    return out;
}

// Newer interface versions than the kit uses must be refused, the out pointer cleared.
void askForUnoffered(IUnknown* object, const IID& iid, const char* name) {
    void* out = &probe;
    const HRESULT result = object->QueryInterface(iid, &out);
    logHresult((std::string("asked for ") + name + (out ? " (pointer left)" : "")).c_str(), result);
    if (SUCCEEDED(result) && out)
        static_cast<IUnknown*>(out)->Release();
}

void setBoundsToClient() {
    if (!probe.controller)
        return;
    RECT client{};
    GetClientRect(probe.window, &client);
    probe.controller->put_Bounds(client);
}

void closePage() {
    if (!probe.controller)
        return;
    probe.webView->remove_NavigationStarting(probe.navigationToken);
    probe.webView->remove_NewWindowRequested(probe.newWindowToken);
    probe.webView->remove_WebMessageReceived(probe.messageToken);
    probe.webView->remove_ProcessFailed(probe.processFailedToken);
    probe.controller->Close();
    probe.webView.Reset();
    probe.controller.Reset();
    logLine("closed");
}

// A handler that runs a modal loop, as a message box would, until the test posts WM_APP + 5
// to the probe's window.
void runModalLoop() {
    logLine("modal begins");
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.hwnd == probe.window && message.message == WM_APP + 5)
            break;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    logLine("modal ends");
}

void setBackgrounds() {
    auto controller2 = queryInterface<ICoreWebView2Controller2>(probe.controller.Get(),
                                                                IID_ICoreWebView2Controller2);
    for (BYTE alpha : {128, 0, 255}) {
        const HRESULT result = controller2->put_DefaultBackgroundColor({alpha, 1, 2, 3});
        logHresult(("background alpha " + std::to_string(alpha)).c_str(), result);
    }
}

void actOn(const std::wstring& json) {
    if (json.find(L"\"cmd\":\"reload\"") != std::wstring::npos) {
        probe.webView->Reload();
    } else if (json.find(L"\"cmd\":\"focus\"") != std::wstring::npos) {
        probe.controller->MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC);
    } else if (json.find(L"\"cmd\":\"hide\"") != std::wstring::npos) {
        probe.controller->put_IsVisible(FALSE);
    } else if (json.find(L"\"cmd\":\"resize\"") != std::wstring::npos) {
        SetWindowPos(probe.window, nullptr, 0, 0, 500, 300,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    } else if (json.find(L"\"cmd\":\"scale\"") != std::wstring::npos) {
        double scale = 0;
        auto controller3 = queryInterface<ICoreWebView2Controller3>(probe.controller.Get(),
                                                                    IID_ICoreWebView2Controller3);
        if (controller3)
            controller3->get_RasterizationScale(&scale);
        char text[64];
        std::snprintf(text, sizeof text, "{\"scale\":%g}", scale);
        probe.webView->PostWebMessageAsJson(std::wstring(text, text + std::strlen(text)).c_str());
    } else if (json.find(L"\"cmd\":\"own-scale\"") != std::wstring::npos) {
        if (auto controller3 = queryInterface<ICoreWebView2Controller3>(
                probe.controller.Get(), IID_ICoreWebView2Controller3))
            controller3->put_ShouldDetectMonitorScaleChanges(FALSE);
    } else if (json.find(L"\"cmd\":\"background\"") != std::wstring::npos) {
        setBackgrounds();
    } else if (json.find(L"\"cmd\":\"modal\"") != std::wstring::npos) {
        runModalLoop();
    } else if (json.find(L"\"cmd\":\"quit\"") != std::wstring::npos) {
        closePage();
        PostQuitMessage(0);
    } else {
        probe.webView->PostWebMessageAsJson((L"{\"echo\":" + json + L"}").c_str());
    }
}

HRESULT onWebMessage(ICoreWebView2*, ICoreWebView2WebMessageReceivedEventArgs* args) {
    checkThread("web message");
    LPWSTR text = nullptr;
    args->get_Source(&text);
    const std::wstring source = takeString(text);
    text = nullptr;
    if (FAILED(args->get_WebMessageAsJson(&text)) || !text)
        return S_OK;
    const std::wstring json = takeString(text);
    logLine("message " + toUtf8(json) + " from " + toUtf8(source));
    text = nullptr;
    if (SUCCEEDED(args->TryGetWebMessageAsString(&text))) {
        probe.webView->PostWebMessageAsString(takeString(text).c_str());
        return S_OK;
    }
    actOn(json);
    return S_OK;
}

HRESULT onNavigationStarting(ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs* args) {
    checkThread("navigation starting");
    LPWSTR text = nullptr;
    if (FAILED(args->get_Uri(&text)))
        return S_OK;
    const std::wstring uri = takeString(text);
    const std::wstring own = std::wstring(L"https://") + kHost + L"/";
    const bool foreign = uri.compare(0, own.size(), own) != 0;
    if (foreign)
        args->put_Cancel(TRUE);
    logLine("navigation " + toUtf8(uri) + (foreign ? " cancelled" : " allowed"));
    return S_OK;
}

HRESULT onNewWindowRequested(ICoreWebView2*, ICoreWebView2NewWindowRequestedEventArgs* args) {
    checkThread("new window");
    args->put_Handled(TRUE);
    logLine("new window handled");
    return S_OK;
}

void createEnvironment();
void askForController();

HRESULT onProcessFailed(ICoreWebView2*, ICoreWebView2ProcessFailedEventArgs* args) {
    checkThread("process failed");
    COREWEBVIEW2_PROCESS_FAILED_KIND kind{};
    args->get_ProcessFailedKind(&kind);
    logLine("process failed " + std::to_string(kind));
    if (kind == COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED) {
        // The runtime has closed the web view already; its environment is asked once more.
        logHresult("closed put_IsVisible", probe.controller->put_IsVisible(TRUE));
        logHresult("closed PostWebMessageAsJson", probe.webView->PostWebMessageAsJson(L"{}"));
        probe.webView.Reset();
        probe.controller.Reset();
        probe.recovering = true;
        askForController();
    }
    return S_OK;
}

HRESULT onController(HRESULT result, ICoreWebView2Controller* controller) {
    checkThread("controller completed");
    logHresult("controller completed", result);
    if (probe.recovering && FAILED(result)) {
        probe.recovering = false;
        probe.environment.Reset();
        createEnvironment();
        return S_OK;
    }
    probe.recovering = false;
    if (FAILED(result) || !controller)
        return S_OK;
    probe.controller = controller;
    probe.controller->get_CoreWebView2(probe.webView.ReleaseAndGetAddressOf());
    askForUnoffered(probe.webView.Get(), IID_ICoreWebView2_20, "ICoreWebView2_20");
    askForUnoffered(controller, IID_ICoreWebView2Controller4, "ICoreWebView2Controller4");
    logHresult("asked without an out pointer",
               probe.webView->QueryInterface(IID_ICoreWebView2, nullptr));
    UINT32 pid = 0;
    if (SUCCEEDED(probe.webView->get_BrowserProcessId(&pid)))
        logLine("browser pid " + std::to_string(pid));
    if (auto controller2 =
            queryInterface<ICoreWebView2Controller2>(controller, IID_ICoreWebView2Controller2))
        controller2->put_DefaultBackgroundColor({255, 11, 11, 24});
    ComPtr<ICoreWebView2Settings> settings;
    if (SUCCEEDED(probe.webView->get_Settings(&settings)) && settings) {
        askForUnoffered(settings.Get(), IID_ICoreWebView2Settings4, "ICoreWebView2Settings4");
        settings->put_AreDefaultContextMenusEnabled(FALSE);
        settings->put_IsStatusBarEnabled(FALSE);
        settings->put_IsZoomControlEnabled(FALSE);
        settings->put_AreDevToolsEnabled(TRUE);
        if (auto settings3 =
                queryInterface<ICoreWebView2Settings3>(settings.Get(), IID_ICoreWebView2Settings3))
            settings3->put_AreBrowserAcceleratorKeysEnabled(FALSE);
    }
    if (auto webView3 = queryInterface<ICoreWebView2_3>(probe.webView.Get(), IID_ICoreWebView2_3))
        webView3->SetVirtualHostNameToFolderMapping(
            kHost, (probe.folder + L"web").c_str(),
            COREWEBVIEW2_HOST_RESOURCE_ACCESS_KIND_DENY_CORS);
    probe.webView->add_NavigationStarting(
        makeComHandler<ICoreWebView2NavigationStartingEventHandler,
                       IID_ICoreWebView2NavigationStartingEventHandler>(onNavigationStarting)
            .Get(),
        &probe.navigationToken);
    probe.webView->add_NewWindowRequested(
        makeComHandler<ICoreWebView2NewWindowRequestedEventHandler,
                       IID_ICoreWebView2NewWindowRequestedEventHandler>(onNewWindowRequested)
            .Get(),
        &probe.newWindowToken);
    probe.webView->add_WebMessageReceived(
        makeComHandler<ICoreWebView2WebMessageReceivedEventHandler,
                       IID_ICoreWebView2WebMessageReceivedEventHandler>(onWebMessage)
            .Get(),
        &probe.messageToken);
    probe.webView->add_ProcessFailed(
        makeComHandler<ICoreWebView2ProcessFailedEventHandler,
                       IID_ICoreWebView2ProcessFailedEventHandler>(onProcessFailed)
            .Get(),
        &probe.processFailedToken);
    setBoundsToClient();
    probe.controller->put_IsVisible(TRUE);
    probe.webView->Navigate(kStartPage);
    logLine("ready");
    return S_OK;
}

HRESULT onEnvironment(HRESULT result, ICoreWebView2Environment* environment) {
    checkThread("environment completed");
    logHresult("environment completed", result);
    if (FAILED(result) || !environment)
        return S_OK;
    askForUnoffered(environment, IID_ICoreWebView2Environment2, "ICoreWebView2Environment2");
    probe.environment = environment;
    askForController();
    return S_OK;
}

void askForController() {
    const HRESULT asked = probe.environment->CreateCoreWebView2Controller(
        probe.window,
        makeComHandler<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler,
                       IID_ICoreWebView2CreateCoreWebView2ControllerCompletedHandler>(onController)
            .Get());
    logHresult("controller asked", asked);
}

void createEnvironment() {
    auto options = makeEnvironmentOptions();
    options->put_AdditionalBrowserArguments(probe.browserArguments.c_str());
    const HRESULT created = CreateCoreWebView2EnvironmentWithOptions(
        nullptr, probe.dataFolder.empty() ? nullptr : probe.dataFolder.c_str(), options.Get(),
        makeComHandler<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler,
                       IID_ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler>(
            onEnvironment)
            .Get());
    logHresult("create returned", created);
}

LRESULT CALLBACK probeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SIZE && probe.controller) {
        setBoundsToClient();
        return 0;
    }
    if (message == WM_APP + 6 && probe.webView) {
        logHresult("reload", probe.webView->Reload());
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

std::wstring programFolder() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    probe.uiThread = GetCurrentThreadId();
    probe.folder = programFolder();
    std::wstring apartment = L"sta";
    for (int i = 1; i + 1 < __argc; ++i) {
        const std::wstring option = __wargv[i];
        if (option == L"--data")
            probe.dataFolder = __wargv[i + 1];
        else if (option == L"--args")
            probe.browserArguments = __wargv[i + 1];
        else if (option == L"--apartment")
            apartment = __wargv[i + 1];
    }

    if (apartment != L"none")
        CoInitializeEx(nullptr,
                       apartment == L"mta" ? COINIT_MULTITHREADED : COINIT_APARTMENTTHREADED);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = probeProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"VYRWebView2Probe";
    RegisterClassW(&windowClass);
    probe.window =
        CreateWindowExW(0, windowClass.lpszClassName, L"webview2 probe", WS_POPUP | WS_VISIBLE, 0,
                        0, 640, 480, nullptr, nullptr, instance, nullptr);
    logLine("window " + std::to_string(reinterpret_cast<INT_PTR>(probe.window)));

    createEnvironment();

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    closePage();
    probe.environment.Reset();
    logLine("exit");
    CoUninitialize();
    return 0;
}

#include "environment.h"

#include "config.h"
#include "controller.h"
#include "dispatch.h"

namespace {

std::wstring className(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

} // namespace

Environment::Environment(DWORD browserProcessId)
    : browserProcessId_(browserProcessId), link_(openBrowserLink()) {}

Environment::~Environment() {
    recordNote("released", {jsonUtf8("environment")});
}

HRESULT STDMETHODCALLTYPE Environment::QueryInterface(REFIID iid, void** object) {
    return answer(iid, object, {&IID_ICoreWebView2Environment});
}

HRESULT STDMETHODCALLTYPE Environment::CreateCoreWebView2Controller(
    HWND parentWindow, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) {
    recordCall("environment.CreateCoreWebView2Controller",
               {jsonInt(static_cast<long long>(reinterpret_cast<INT_PTR>(parentWindow))),
                jsonText(className(parentWindow))});
    if (!handler)
        return E_POINTER;
    ComPtr<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler> completed(handler);
    const HRESULT result = webViewResult();
    const DWORD browserProcessId = browserProcessId_;
    const std::shared_ptr<BrowserLink> link = link_;
    postTask(
        [completed, result, parentWindow, browserProcessId, link] {
            recordNote("controllerCompleted", {jsonHresult(result)});
            if (FAILED(result)) {
                completed->Invoke(result, nullptr);
                return;
            }
            ComPtr<Controller> controller;
            controller = adopt(new Controller(parentWindow, browserProcessId, link));
            completed->Invoke(S_OK, controller.Get());
        },
        standinConfig().controllerDelayMs);
    return S_OK;
}

// Once its browser process has exited an environment makes no more web views: the program
// has to create a new environment.
HRESULT Environment::webViewResult() const {
    if (browserGeneration_ != browserGeneration())
        return kClosedState;
    return FAILED(refusal_) ? refusal_ : standinConfig().controllerResult;
}

HRESULT STDMETHODCALLTYPE Environment::CreateWebResourceResponse(
    IStream*, int, LPCWSTR, LPCWSTR, ICoreWebView2WebResourceResponse** response) {
    if (response)
        *response = nullptr;
    return notImplemented("environment.CreateWebResourceResponse");
}

HRESULT STDMETHODCALLTYPE Environment::add_NewBrowserVersionAvailable(
    ICoreWebView2NewBrowserVersionAvailableEventHandler*, EventRegistrationToken* token) {
    if (token)
        token->value = 0;
    return notImplemented("environment.add_NewBrowserVersionAvailable");
}

HRESULT STDMETHODCALLTYPE Environment::remove_NewBrowserVersionAvailable(EventRegistrationToken) {
    return notImplemented("environment.remove_NewBrowserVersionAvailable");
}

HRESULT STDMETHODCALLTYPE Environment::get_BrowserVersionString(LPWSTR* versionInfo) {
    recordCall("environment.get_BrowserVersionString");
    return copyOut(std::wstring(L"154.0.4258.31"), versionInfo);
}

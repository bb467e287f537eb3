#pragma once
// The environment (ICoreWebView2Environment only): it creates controllers, later and
// through the program's message loop, failing or delayed as the test asked.
#include "browser_link.h"
#include "browser_process.h"
#include "com_object.h"

#include <memory>

class Environment final : public ComObject<ICoreWebView2Environment> {
  public:
    explicit Environment(DWORD browserProcessId);

    // The web views of this environment fail to be created with this result: another program
    // runs on the same user data folder with other options.
    void refuseWebViews(HRESULT why) { refusal_ = why; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE CreateCoreWebView2Controller(
        HWND parentWindow,
        ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) override;
    HRESULT STDMETHODCALLTYPE CreateWebResourceResponse(
        IStream* content, int statusCode, LPCWSTR reasonPhrase, LPCWSTR headers,
        ICoreWebView2WebResourceResponse** response) override;
    HRESULT STDMETHODCALLTYPE add_NewBrowserVersionAvailable(
        ICoreWebView2NewBrowserVersionAvailableEventHandler* eventHandler,
        EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE
    remove_NewBrowserVersionAvailable(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE get_BrowserVersionString(LPWSTR* versionInfo) override;

  private:
    ~Environment() override;
    HRESULT webViewResult() const;

    DWORD browserProcessId_;
    HRESULT refusal_ = S_OK;
    unsigned browserGeneration_ = browserGeneration(); // the browser it was made with
    // Browser-backed mode: this environment's browser session.
    std::shared_ptr<BrowserLink> link_;
};

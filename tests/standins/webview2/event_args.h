#pragma once
// The arguments of the events a test raises: a web message, a navigation starting, a new
// window requested, a process failed. The stand-in reads the program's answers back from them.
#include "com_object.h"

#include <optional>

class WebMessageArgs final : public ComObject<ICoreWebView2WebMessageReceivedEventArgs> {
  public:
    // asString: the text when the page posted a string, none when it posted JSON.
    WebMessageArgs(std::wstring source, std::wstring json, std::optional<std::wstring> asString);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* value) override;
    HRESULT STDMETHODCALLTYPE get_WebMessageAsJson(LPWSTR* value) override;
    HRESULT STDMETHODCALLTYPE TryGetWebMessageAsString(LPWSTR* value) override;

  private:
    std::wstring source_;
    std::wstring json_;
    std::optional<std::wstring> asString_;
};

class NavigationArgs final : public ComObject<ICoreWebView2NavigationStartingEventArgs> {
  public:
    NavigationArgs(std::wstring uri, UINT64 navigationId, bool userInitiated);
    bool cancelled() const { return cancel_ != FALSE; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override;
    HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* isUserInitiated) override;
    HRESULT STDMETHODCALLTYPE get_IsRedirected(BOOL* isRedirected) override;
    HRESULT STDMETHODCALLTYPE
    get_RequestHeaders(ICoreWebView2HttpRequestHeaders** requestHeaders) override;
    HRESULT STDMETHODCALLTYPE get_Cancel(BOOL* cancel) override;
    HRESULT STDMETHODCALLTYPE put_Cancel(BOOL cancel) override;
    HRESULT STDMETHODCALLTYPE get_NavigationId(UINT64* navigationId) override;

  private:
    std::wstring uri_;
    UINT64 navigationId_;
    BOOL userInitiated_;
    BOOL cancel_ = FALSE;
};

class NewWindowArgs final : public ComObject<ICoreWebView2NewWindowRequestedEventArgs> {
  public:
    explicit NewWindowArgs(std::wstring uri);
    bool handled() const { return handled_ != FALSE; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override;
    HRESULT STDMETHODCALLTYPE put_NewWindow(ICoreWebView2* newWindow) override;
    HRESULT STDMETHODCALLTYPE get_NewWindow(ICoreWebView2** newWindow) override;
    HRESULT STDMETHODCALLTYPE put_Handled(BOOL handled) override;
    HRESULT STDMETHODCALLTYPE get_Handled(BOOL* handled) override;
    HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* isUserInitiated) override;
    HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral** deferral) override;
    HRESULT STDMETHODCALLTYPE get_WindowFeatures(ICoreWebView2WindowFeatures** value) override;

  private:
    std::wstring uri_;
    BOOL handled_ = FALSE;
};

class ProcessFailedArgs final : public ComObject<ICoreWebView2ProcessFailedEventArgs> {
  public:
    explicit ProcessFailedArgs(COREWEBVIEW2_PROCESS_FAILED_KIND kind);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE
    get_ProcessFailedKind(COREWEBVIEW2_PROCESS_FAILED_KIND* kind) override;

  private:
    COREWEBVIEW2_PROCESS_FAILED_KIND kind_;
};

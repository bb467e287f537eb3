#pragma once
// The WebView2 environment options object with the SDK's defaults, as the SDK's own
// CoreWebView2EnvironmentOptions class has them (that class needs WRL's RuntimeClass,
// which mingw-w64 lacks). Custom scheme registrations (options 4) are not offered.
//
//   auto options = makeEnvironmentOptions();
//   options->put_AdditionalBrowserArguments(L"--autoplay-policy=no-user-gesture-required");

#include <WebView2.h>
#include <objbase.h>
#include <wrl/client.h>

#include <atomic>
#include <cwchar>
#include <optional>
#include <string>

// The browser version this SDK was built for; the SDK's options default to it.
inline constexpr const wchar_t* kTargetCompatibleBrowserVersion = L"154.0.4258.31";

class EnvironmentOptions final : public ICoreWebView2EnvironmentOptions,
                                 public ICoreWebView2EnvironmentOptions2,
                                 public ICoreWebView2EnvironmentOptions3,
                                 public ICoreWebView2EnvironmentOptions5,
                                 public ICoreWebView2EnvironmentOptions6,
                                 public ICoreWebView2EnvironmentOptions7,
                                 public ICoreWebView2EnvironmentOptions8 {
  public:
    EnvironmentOptions() = default;
    EnvironmentOptions(const EnvironmentOptions&) = delete;
    EnvironmentOptions& operator=(const EnvironmentOptions&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (IsEqualIID(iid, __uuidof(IUnknown)) ||
            IsEqualIID(iid, IID_ICoreWebView2EnvironmentOptions))
            *object = static_cast<ICoreWebView2EnvironmentOptions*>(this);
        else if (IsEqualIID(iid, IID_ICoreWebView2EnvironmentOptions2))
            *object = static_cast<ICoreWebView2EnvironmentOptions2*>(this);
        else if (IsEqualIID(iid, IID_ICoreWebView2EnvironmentOptions3))
            *object = static_cast<ICoreWebView2EnvironmentOptions3*>(this);
        else if (IsEqualIID(iid, IID_ICoreWebView2EnvironmentOptions5))
            *object = static_cast<ICoreWebView2EnvironmentOptions5*>(this);
        else if (IsEqualIID(iid, IID_ICoreWebView2EnvironmentOptions6))
            *object = static_cast<ICoreWebView2EnvironmentOptions6*>(this);
        else if (IsEqualIID(iid, IID_ICoreWebView2EnvironmentOptions7))
            *object = static_cast<ICoreWebView2EnvironmentOptions7*>(this);
        else if (IsEqualIID(iid, IID_ICoreWebView2EnvironmentOptions8))
            *object = static_cast<ICoreWebView2EnvironmentOptions8*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0)
            delete this;
        return left;
    }

    // ICoreWebView2EnvironmentOptions
    HRESULT STDMETHODCALLTYPE get_AdditionalBrowserArguments(LPWSTR* value) override {
        return copyOut(additionalBrowserArguments_, value);
    }
    HRESULT STDMETHODCALLTYPE put_AdditionalBrowserArguments(LPCWSTR value) override {
        return keep(additionalBrowserArguments_, value);
    }
    HRESULT STDMETHODCALLTYPE get_Language(LPWSTR* value) override {
        return copyOut(language_, value);
    }
    HRESULT STDMETHODCALLTYPE put_Language(LPCWSTR value) override {
        return keep(language_, value);
    }
    HRESULT STDMETHODCALLTYPE get_TargetCompatibleBrowserVersion(LPWSTR* value) override {
        return copyOut(targetCompatibleBrowserVersion_, value);
    }
    HRESULT STDMETHODCALLTYPE put_TargetCompatibleBrowserVersion(LPCWSTR value) override {
        return keep(targetCompatibleBrowserVersion_, value);
    }
    HRESULT STDMETHODCALLTYPE get_AllowSingleSignOnUsingOSPrimaryAccount(BOOL* value) override {
        return copyOut(allowSingleSignOn_, value);
    }
    HRESULT STDMETHODCALLTYPE put_AllowSingleSignOnUsingOSPrimaryAccount(BOOL value) override {
        allowSingleSignOn_ = value;
        return S_OK;
    }

    // ICoreWebView2EnvironmentOptions2
    HRESULT STDMETHODCALLTYPE get_ExclusiveUserDataFolderAccess(BOOL* value) override {
        return copyOut(exclusiveUserDataFolderAccess_, value);
    }
    HRESULT STDMETHODCALLTYPE put_ExclusiveUserDataFolderAccess(BOOL value) override {
        exclusiveUserDataFolderAccess_ = value;
        return S_OK;
    }

    // ICoreWebView2EnvironmentOptions3
    HRESULT STDMETHODCALLTYPE get_IsCustomCrashReportingEnabled(BOOL* value) override {
        return copyOut(customCrashReporting_, value);
    }
    HRESULT STDMETHODCALLTYPE put_IsCustomCrashReportingEnabled(BOOL value) override {
        customCrashReporting_ = value;
        return S_OK;
    }

    // ICoreWebView2EnvironmentOptions5
    HRESULT STDMETHODCALLTYPE get_EnableTrackingPrevention(BOOL* value) override {
        return copyOut(trackingPrevention_, value);
    }
    HRESULT STDMETHODCALLTYPE put_EnableTrackingPrevention(BOOL value) override {
        trackingPrevention_ = value;
        return S_OK;
    }

    // ICoreWebView2EnvironmentOptions6
    HRESULT STDMETHODCALLTYPE get_AreBrowserExtensionsEnabled(BOOL* value) override {
        return copyOut(browserExtensions_, value);
    }
    HRESULT STDMETHODCALLTYPE put_AreBrowserExtensionsEnabled(BOOL value) override {
        browserExtensions_ = value;
        return S_OK;
    }

    // ICoreWebView2EnvironmentOptions7
    HRESULT STDMETHODCALLTYPE
    get_ChannelSearchKind(COREWEBVIEW2_CHANNEL_SEARCH_KIND* value) override {
        return copyOut(channelSearchKind_, value);
    }
    HRESULT STDMETHODCALLTYPE
    put_ChannelSearchKind(COREWEBVIEW2_CHANNEL_SEARCH_KIND value) override {
        channelSearchKind_ = value;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_ReleaseChannels(COREWEBVIEW2_RELEASE_CHANNELS* value) override {
        return copyOut(releaseChannels_, value);
    }
    HRESULT STDMETHODCALLTYPE put_ReleaseChannels(COREWEBVIEW2_RELEASE_CHANNELS value) override {
        releaseChannels_ = value;
        return S_OK;
    }

    // ICoreWebView2EnvironmentOptions8
    HRESULT STDMETHODCALLTYPE get_ScrollBarStyle(COREWEBVIEW2_SCROLLBAR_STYLE* value) override {
        return copyOut(scrollBarStyle_, value);
    }
    HRESULT STDMETHODCALLTYPE put_ScrollBarStyle(COREWEBVIEW2_SCROLLBAR_STYLE value) override {
        scrollBarStyle_ = value;
        return S_OK;
    }

  private:
    ~EnvironmentOptions() = default;

    // A string option is null until it is set, as in the SDK's class.
    static HRESULT keep(std::optional<std::wstring>& field, LPCWSTR value) {
        if (value)
            field = value;
        else
            field.reset();
        return S_OK;
    }
    static HRESULT copyOut(const std::optional<std::wstring>& field, LPWSTR* value) {
        if (!value)
            return E_POINTER;
        *value = nullptr;
        if (!field)
            return S_OK;
        const size_t bytes = (field->size() + 1) * sizeof(wchar_t);
        *value = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
        if (!*value)
            return E_OUTOFMEMORY;
        std::wmemcpy(*value, field->c_str(), field->size() + 1);
        return S_OK;
    }
    template <typename T> static HRESULT copyOut(T field, T* value) {
        if (!value)
            return E_POINTER;
        *value = field;
        return S_OK;
    }

    std::atomic<ULONG> references_{1};
    std::optional<std::wstring> additionalBrowserArguments_;
    std::optional<std::wstring> language_;
    std::optional<std::wstring> targetCompatibleBrowserVersion_{kTargetCompatibleBrowserVersion};
    BOOL allowSingleSignOn_ = FALSE;
    BOOL exclusiveUserDataFolderAccess_ = FALSE;
    BOOL customCrashReporting_ = FALSE;
    BOOL trackingPrevention_ = TRUE;
    BOOL browserExtensions_ = FALSE;
    COREWEBVIEW2_CHANNEL_SEARCH_KIND channelSearchKind_ =
        COREWEBVIEW2_CHANNEL_SEARCH_KIND_MOST_STABLE;
    COREWEBVIEW2_RELEASE_CHANNELS releaseChannels_ = static_cast<COREWEBVIEW2_RELEASE_CHANNELS>(
        COREWEBVIEW2_RELEASE_CHANNELS_STABLE | COREWEBVIEW2_RELEASE_CHANNELS_BETA |
        COREWEBVIEW2_RELEASE_CHANNELS_DEV | COREWEBVIEW2_RELEASE_CHANNELS_CANARY);
    COREWEBVIEW2_SCROLLBAR_STYLE scrollBarStyle_ = COREWEBVIEW2_SCROLLBAR_STYLE_DEFAULT;
};

// A new options object whose one reference the returned pointer owns.
inline Microsoft::WRL::ComPtr<ICoreWebView2EnvironmentOptions> makeEnvironmentOptions() {
    ICoreWebView2EnvironmentOptions* fresh = new EnvironmentOptions();
    // Not Attach: mingw-w64's ComPtr::Attach takes a reference of its own, WRL's does not.
    Microsoft::WRL::ComPtr<ICoreWebView2EnvironmentOptions> options(fresh);
    fresh->Release();
    return options;
}

#pragma once
// The web view's settings: every value is kept and every call recorded.
#include "com_object.h"

class Settings final : public ComObject<ICoreWebView2Settings3> {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;

    HRESULT STDMETHODCALLTYPE get_IsScriptEnabled(BOOL* value) override;
    HRESULT STDMETHODCALLTYPE put_IsScriptEnabled(BOOL value) override;
    HRESULT STDMETHODCALLTYPE get_IsWebMessageEnabled(BOOL* value) override;
    HRESULT STDMETHODCALLTYPE put_IsWebMessageEnabled(BOOL value) override;
    HRESULT STDMETHODCALLTYPE get_AreDefaultScriptDialogsEnabled(BOOL* value) override;
    HRESULT STDMETHODCALLTYPE put_AreDefaultScriptDialogsEnabled(BOOL value) override;
    HRESULT STDMETHODCALLTYPE get_IsStatusBarEnabled(BOOL* value) override;
    HRESULT STDMETHODCALLTYPE put_IsStatusBarEnabled(BOOL value) override;
    HRESULT STDMETHODCALLTYPE get_AreDevToolsEnabled(BOOL* value) override;
    HRESULT STDMETHODCALLTYPE put_AreDevToolsEnabled(BOOL value) override;
    HRESULT STDMETHODCALLTYPE get_AreDefaultContextMenusEnabled(BOOL* value) override;
    HRESULT STDMETHODCALLTYPE put_AreDefaultContextMenusEnabled(BOOL value) override;
    HRESULT STDMETHODCALLTYPE get_AreHostObjectsAllowed(BOOL* value) override;
    HRESULT STDMETHODCALLTYPE put_AreHostObjectsAllowed(BOOL value) override;
    HRESULT STDMETHODCALLTYPE get_IsZoomControlEnabled(BOOL* value) override;
    HRESULT STDMETHODCALLTYPE put_IsZoomControlEnabled(BOOL value) override;
    HRESULT STDMETHODCALLTYPE get_IsBuiltInErrorPageEnabled(BOOL* value) override;
    HRESULT STDMETHODCALLTYPE put_IsBuiltInErrorPageEnabled(BOOL value) override;
    HRESULT STDMETHODCALLTYPE get_AreBrowserAcceleratorKeysEnabled(BOOL* value) override;
    HRESULT STDMETHODCALLTYPE put_AreBrowserAcceleratorKeysEnabled(BOOL value) override;
    HRESULT STDMETHODCALLTYPE get_UserAgent(LPWSTR* value) override;
    HRESULT STDMETHODCALLTYPE put_UserAgent(LPCWSTR value) override;

  private:
    ~Settings() override;

    BOOL isScriptEnabled_ = TRUE;
    BOOL isWebMessageEnabled_ = TRUE;
    BOOL areDefaultScriptDialogsEnabled_ = TRUE;
    BOOL isStatusBarEnabled_ = TRUE;
    BOOL areDevToolsEnabled_ = TRUE;
    BOOL areDefaultContextMenusEnabled_ = TRUE;
    BOOL areHostObjectsAllowed_ = TRUE;
    BOOL isZoomControlEnabled_ = TRUE;
    BOOL isBuiltInErrorPageEnabled_ = TRUE;
    BOOL areBrowserAcceleratorKeysEnabled_ = TRUE;
    std::wstring userAgent_ = L"Mozilla/5.0 (Windows NT 10.0; Win64; x64) VYR stand-in WebView2";
};

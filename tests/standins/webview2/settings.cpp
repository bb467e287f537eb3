#include "settings.h"

Settings::~Settings() {
    recordNote("released", {jsonUtf8("settings")});
}

HRESULT STDMETHODCALLTYPE Settings::QueryInterface(REFIID iid, void** object) {
    return answer(
        iid, object,
        {&IID_ICoreWebView2Settings, &IID_ICoreWebView2Settings2, &IID_ICoreWebView2Settings3});
}

HRESULT STDMETHODCALLTYPE Settings::get_IsScriptEnabled(BOOL* value) {
    recordCall("settings.get_IsScriptEnabled");
    return copyOut(isScriptEnabled_, value);
}

HRESULT STDMETHODCALLTYPE Settings::put_IsScriptEnabled(BOOL value) {
    recordCall("settings.put_IsScriptEnabled", {jsonBool(value)});
    isScriptEnabled_ = value ? TRUE : FALSE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Settings::get_IsWebMessageEnabled(BOOL* value) {
    recordCall("settings.get_IsWebMessageEnabled");
    return copyOut(isWebMessageEnabled_, value);
}

HRESULT STDMETHODCALLTYPE Settings::put_IsWebMessageEnabled(BOOL value) {
    recordCall("settings.put_IsWebMessageEnabled", {jsonBool(value)});
    isWebMessageEnabled_ = value ? TRUE : FALSE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Settings::get_AreDefaultScriptDialogsEnabled(BOOL* value) {
    recordCall("settings.get_AreDefaultScriptDialogsEnabled");
    return copyOut(areDefaultScriptDialogsEnabled_, value);
}

HRESULT STDMETHODCALLTYPE Settings::put_AreDefaultScriptDialogsEnabled(BOOL value) {
    recordCall("settings.put_AreDefaultScriptDialogsEnabled", {jsonBool(value)});
    areDefaultScriptDialogsEnabled_ = value ? TRUE : FALSE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Settings::get_IsStatusBarEnabled(BOOL* value) {
    recordCall("settings.get_IsStatusBarEnabled");
    return copyOut(isStatusBarEnabled_, value);
}

HRESULT STDMETHODCALLTYPE Settings::put_IsStatusBarEnabled(BOOL value) {
    recordCall("settings.put_IsStatusBarEnabled", {jsonBool(value)});
    isStatusBarEnabled_ = value ? TRUE : FALSE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Settings::get_AreDevToolsEnabled(BOOL* value) {
    recordCall("settings.get_AreDevToolsEnabled");
    return copyOut(areDevToolsEnabled_, value);
}

HRESULT STDMETHODCALLTYPE Settings::put_AreDevToolsEnabled(BOOL value) {
    recordCall("settings.put_AreDevToolsEnabled", {jsonBool(value)});
    areDevToolsEnabled_ = value ? TRUE : FALSE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Settings::get_AreDefaultContextMenusEnabled(BOOL* value) {
    recordCall("settings.get_AreDefaultContextMenusEnabled");
    return copyOut(areDefaultContextMenusEnabled_, value);
}

HRESULT STDMETHODCALLTYPE Settings::put_AreDefaultContextMenusEnabled(BOOL value) {
    recordCall("settings.put_AreDefaultContextMenusEnabled", {jsonBool(value)});
    areDefaultContextMenusEnabled_ = value ? TRUE : FALSE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Settings::get_AreHostObjectsAllowed(BOOL* value) {
    recordCall("settings.get_AreHostObjectsAllowed");
    return copyOut(areHostObjectsAllowed_, value);
}

HRESULT STDMETHODCALLTYPE Settings::put_AreHostObjectsAllowed(BOOL value) {
    recordCall("settings.put_AreHostObjectsAllowed", {jsonBool(value)});
    areHostObjectsAllowed_ = value ? TRUE : FALSE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Settings::get_IsZoomControlEnabled(BOOL* value) {
    recordCall("settings.get_IsZoomControlEnabled");
    return copyOut(isZoomControlEnabled_, value);
}

HRESULT STDMETHODCALLTYPE Settings::put_IsZoomControlEnabled(BOOL value) {
    recordCall("settings.put_IsZoomControlEnabled", {jsonBool(value)});
    isZoomControlEnabled_ = value ? TRUE : FALSE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Settings::get_IsBuiltInErrorPageEnabled(BOOL* value) {
    recordCall("settings.get_IsBuiltInErrorPageEnabled");
    return copyOut(isBuiltInErrorPageEnabled_, value);
}

HRESULT STDMETHODCALLTYPE Settings::put_IsBuiltInErrorPageEnabled(BOOL value) {
    recordCall("settings.put_IsBuiltInErrorPageEnabled", {jsonBool(value)});
    isBuiltInErrorPageEnabled_ = value ? TRUE : FALSE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Settings::get_AreBrowserAcceleratorKeysEnabled(BOOL* value) {
    recordCall("settings.get_AreBrowserAcceleratorKeysEnabled");
    return copyOut(areBrowserAcceleratorKeysEnabled_, value);
}

HRESULT STDMETHODCALLTYPE Settings::put_AreBrowserAcceleratorKeysEnabled(BOOL value) {
    recordCall("settings.put_AreBrowserAcceleratorKeysEnabled", {jsonBool(value)});
    areBrowserAcceleratorKeysEnabled_ = value ? TRUE : FALSE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Settings::get_UserAgent(LPWSTR* value) {
    recordCall("settings.get_UserAgent");
    return copyOut(userAgent_, value);
}

HRESULT STDMETHODCALLTYPE Settings::put_UserAgent(LPCWSTR value) {
    recordCall("settings.put_UserAgent", {jsonText(value)});
    if (!value)
        return E_INVALIDARG;
    userAgent_ = value;
    return S_OK;
}

#pragma once
// Small pieces every stand-in COM object shares: the reference count, an honest
// QueryInterface over one chain of interface versions, event handler lists and strings
// handed out in task memory.
#include "record.h"

#include <WebView2.h>
#include <objbase.h>
#include <wrl/client.h>

#include <atomic>
#include <cwchar>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

using Microsoft::WRL::ComPtr;

// Interface is the newest version the object implements; its older versions and IUnknown
// share the same pointer, so QueryInterface only has to compare ids.
template <typename Interface> class ComObject : public Interface {
  public:
    ComObject() = default;
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0)
            delete this;
        return left;
    }

  protected:
    virtual ~ComObject() = default;

    HRESULT answer(REFIID iid, void** object, std::initializer_list<const IID*> offered) {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        bool found = IsEqualIID(iid, __uuidof(IUnknown));
        for (const IID* id : offered)
            found = found || IsEqualIID(iid, *id);
        if (!found)
            return E_NOINTERFACE;
        *object = static_cast<Interface*>(this);
        AddRef();
        return S_OK;
    }

  private:
    std::atomic<ULONG> references_{1};
};

// For the methods no program of the kit calls: recorded, then refused.
inline HRESULT notImplemented(const char* call) {
    recordCall(call);
    return E_NOTIMPL;
}

// What most methods of a closed controller or web view answer, as after Close or once the
// browser process has exited: HRESULT_FROM_WIN32(ERROR_INVALID_STATE).
inline constexpr HRESULT kClosedState = static_cast<HRESULT>(0x8007139F);

inline HRESULT refuseClosed(const char* call) {
    recordCall(call);
    return kClosedState;
}

inline HRESULT copyOut(const std::wstring& text, LPWSTR* value) {
    if (!value)
        return E_POINTER;
    *value = static_cast<LPWSTR>(CoTaskMemAlloc((text.size() + 1) * sizeof(wchar_t)));
    if (!*value)
        return E_OUTOFMEMORY;
    std::wmemcpy(*value, text.c_str(), text.size() + 1);
    return S_OK;
}

template <typename T> HRESULT copyOut(T field, T* value) {
    if (!value)
        return E_POINTER;
    *value = field;
    return S_OK;
}

// Owns a new object's first reference. Not Attach: mingw-w64's ComPtr::Attach takes a
// reference of its own, WRL's does not.
template <typename T> ComPtr<T> adopt(T* fresh) {
    ComPtr<T> owner(fresh);
    fresh->Release();
    return owner;
}

long long nextEventToken();

// The handlers of one event, in the order they were added.
template <typename Handler> class HandlerList {
  public:
    HRESULT add(const char* call, Handler* handler, EventRegistrationToken* token) {
        if (!handler || !token) {
            recordCall(call, {jsonBool(handler != nullptr)});
            return E_POINTER;
        }
        token->value = nextEventToken();
        handlers_.emplace_back(token->value, handler);
        recordCall(call, {jsonInt(token->value)});
        return S_OK;
    }
    HRESULT remove(const char* call, EventRegistrationToken token) {
        recordCall(call, {jsonInt(token.value)});
        for (auto it = handlers_.begin(); it != handlers_.end(); ++it) {
            if (it->first == token.value) {
                handlers_.erase(it);
                break;
            }
        }
        return S_OK;
    }
    // A copy, so that a handler may remove itself while the event is raised.
    std::vector<ComPtr<Handler>> snapshot() const {
        std::vector<ComPtr<Handler>> out;
        for (const auto& entry : handlers_)
            out.push_back(entry.second);
        return out;
    }
    void clear() { handlers_.clear(); }

  private:
    std::vector<std::pair<long long, ComPtr<Handler>>> handlers_;
};

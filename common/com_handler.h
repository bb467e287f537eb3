#pragma once
// Turns a function (usually a lambda) into a COM handler object for the WebView2 completed-
// and event-handler interfaces: IUnknown plus Invoke. mingw-w64 has no WRL Callback, and
// its ComPtr cannot name WebView2 interfaces by __uuidof, so the interface id comes along.
//
//   auto handler = makeComHandler<ICoreWebView2WebMessageReceivedEventHandler,
//                                 IID_ICoreWebView2WebMessageReceivedEventHandler>(
//       [](ICoreWebView2* sender, ICoreWebView2WebMessageReceivedEventArgs* args) {
//           return S_OK;
//       });
//   webView->add_WebMessageReceived(handler.Get(), &token);

#include <unknwn.h>
#include <wrl/client.h>

#include <atomic>
#include <utility>

namespace com_handler_detail {

template <typename Method> struct InvokeOf;

template <typename Interface, typename... Args>
struct InvokeOf<HRESULT (STDMETHODCALLTYPE Interface::*)(Args...)> {
    template <const IID& interfaceId, typename Function> class Handler final : public Interface {
      public:
        explicit Handler(Function function) : function_(std::move(function)) {}
        Handler(const Handler&) = delete;
        Handler& operator=(const Handler&) = delete;

        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
            if (!object)
                return E_POINTER;
            if (IsEqualIID(iid, __uuidof(IUnknown)) || IsEqualIID(iid, interfaceId)) {
                *object = static_cast<Interface*>(this);
                AddRef();
                return S_OK;
            }
            *object = nullptr;
            return E_NOINTERFACE;
        }
        ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
        ULONG STDMETHODCALLTYPE Release() override {
            const ULONG left = --references_;
            if (left == 0)
                delete this;
            return left;
        }
        HRESULT STDMETHODCALLTYPE Invoke(Args... args) override { return function_(args...); }

      private:
        ~Handler() = default;

        std::atomic<ULONG> references_{1};
        Function function_;
    };
};

} // namespace com_handler_detail

// A new handler whose one reference the returned pointer owns.
template <typename Interface, const IID& interfaceId, typename Function>
Microsoft::WRL::ComPtr<Interface> makeComHandler(Function function) {
    using Handler = typename com_handler_detail::InvokeOf<
        decltype(&Interface::Invoke)>::template Handler<interfaceId, Function>;
    Interface* fresh = new Handler(std::move(function));
    // Not Attach: mingw-w64's ComPtr::Attach takes a reference of its own, WRL's does not.
    Microsoft::WRL::ComPtr<Interface> handler(fresh);
    fresh->Release();
    return handler;
}

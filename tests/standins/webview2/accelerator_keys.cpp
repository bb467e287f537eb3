// The controller's AcceleratorKeyPressed (browser-backed mode): raised for a key pressed or
// released in the page window when Ctrl or Alt is held or the key types no character, Esc
// always and Shift never, as the reference describes accelerator keys. A key a handler marks
// handled does not reach the page.
#include "controller.h"

namespace {

class AcceleratorKeyArgs final : public ComObject<ICoreWebView2AcceleratorKeyPressedEventArgs> {
  public:
    AcceleratorKeyArgs(COREWEBVIEW2_KEY_EVENT_KIND kind, UINT key, LPARAM lParam)
        : kind_(kind), key_(key), lParam_(lParam) {}
    bool handled() const { return handled_ != FALSE; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        return answer(iid, object, {&IID_ICoreWebView2AcceleratorKeyPressedEventArgs});
    }
    HRESULT STDMETHODCALLTYPE get_KeyEventKind(COREWEBVIEW2_KEY_EVENT_KIND* value) override {
        return copyOut(kind_, value);
    }
    HRESULT STDMETHODCALLTYPE get_VirtualKey(UINT* value) override { return copyOut(key_, value); }
    HRESULT STDMETHODCALLTYPE get_KeyEventLParam(INT* value) override {
        return copyOut(static_cast<INT>(lParam_), value);
    }
    HRESULT STDMETHODCALLTYPE
    get_PhysicalKeyStatus(COREWEBVIEW2_PHYSICAL_KEY_STATUS* value) override {
        const auto bits = static_cast<UINT32>(lParam_);
        return copyOut(COREWEBVIEW2_PHYSICAL_KEY_STATUS{bits & 0xFFFF, (bits >> 16) & 0xFF,
                                                        (bits >> 24) & 1, (bits >> 29) & 1,
                                                        (bits >> 30) & 1, (bits >> 31) & 1},
                       value);
    }
    HRESULT STDMETHODCALLTYPE get_Handled(BOOL* value) override { return copyOut(handled_, value); }
    HRESULT STDMETHODCALLTYPE put_Handled(BOOL value) override {
        recordCall("accelerator.put_Handled", {jsonBool(value)});
        handled_ = value ? TRUE : FALSE;
        return S_OK;
    }

  private:
    COREWEBVIEW2_KEY_EVENT_KIND kind_;
    UINT key_;
    LPARAM lParam_;
    BOOL handled_ = FALSE;
};

bool isAccelerator(WPARAM key) {
    if (key == VK_SHIFT || key == VK_LSHIFT || key == VK_RSHIFT)
        return false;
    const bool held = (GetKeyState(VK_CONTROL) & 0x8000) || (GetKeyState(VK_MENU) & 0x8000);
    return key == VK_ESCAPE || held ||
           MapVirtualKeyW(static_cast<UINT>(key), MAPVK_VK_TO_CHAR) == 0;
}

} // namespace

bool Controller::raiseAcceleratorKey(UINT message, WPARAM key, LPARAM lParam) {
    if (closed_ || !isAccelerator(key))
        return false;
    const COREWEBVIEW2_KEY_EVENT_KIND kind =
        message == WM_KEYDOWN      ? COREWEBVIEW2_KEY_EVENT_KIND_KEY_DOWN
        : message == WM_KEYUP      ? COREWEBVIEW2_KEY_EVENT_KIND_KEY_UP
        : message == WM_SYSKEYDOWN ? COREWEBVIEW2_KEY_EVENT_KIND_SYSTEM_KEY_DOWN
                                   : COREWEBVIEW2_KEY_EVENT_KIND_SYSTEM_KEY_UP;
    ComPtr<AcceleratorKeyArgs> args =
        adopt(new AcceleratorKeyArgs(kind, static_cast<UINT>(key), lParam));
    const auto handlers = acceleratorKeyPressed_.snapshot();
    for (const auto& handler : handlers)
        handler->Invoke(this, args.Get());
    recordNote("acceleratorKey",
               {jsonInt(kind), jsonInt(static_cast<long long>(key)), jsonBool(args->handled())});
    return args->handled();
}

HRESULT STDMETHODCALLTYPE Controller::add_AcceleratorKeyPressed(
    ICoreWebView2AcceleratorKeyPressedEventHandler* eventHandler, EventRegistrationToken* token) {
    if (closed_)
        return refuseClosed("controller.add_AcceleratorKeyPressed");
    return acceleratorKeyPressed_.add("controller.add_AcceleratorKeyPressed", eventHandler, token);
}

HRESULT STDMETHODCALLTYPE Controller::remove_AcceleratorKeyPressed(EventRegistrationToken token) {
    return acceleratorKeyPressed_.remove("controller.remove_AcceleratorKeyPressed", token);
}

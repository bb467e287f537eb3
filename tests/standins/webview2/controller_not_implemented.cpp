// The controller methods that no program of the kit calls: recorded, then refused.
#include "controller.h"

HRESULT STDMETHODCALLTYPE Controller::add_ZoomFactorChanged(
    ICoreWebView2ZoomFactorChangedEventHandler*, EventRegistrationToken* token) {
    if (token)
        token->value = 0;
    return notImplemented("controller.add_ZoomFactorChanged");
}

HRESULT STDMETHODCALLTYPE Controller::remove_ZoomFactorChanged(EventRegistrationToken) {
    return notImplemented("controller.remove_ZoomFactorChanged");
}

HRESULT STDMETHODCALLTYPE Controller::add_MoveFocusRequested(
    ICoreWebView2MoveFocusRequestedEventHandler*, EventRegistrationToken* token) {
    if (token)
        token->value = 0;
    return notImplemented("controller.add_MoveFocusRequested");
}

HRESULT STDMETHODCALLTYPE Controller::remove_MoveFocusRequested(EventRegistrationToken) {
    return notImplemented("controller.remove_MoveFocusRequested");
}

HRESULT STDMETHODCALLTYPE Controller::add_GotFocus(ICoreWebView2FocusChangedEventHandler*,
                                                   EventRegistrationToken* token) {
    if (token)
        token->value = 0;
    return notImplemented("controller.add_GotFocus");
}

HRESULT STDMETHODCALLTYPE Controller::remove_GotFocus(EventRegistrationToken) {
    return notImplemented("controller.remove_GotFocus");
}

HRESULT STDMETHODCALLTYPE Controller::add_LostFocus(ICoreWebView2FocusChangedEventHandler*,
                                                    EventRegistrationToken* token) {
    if (token)
        token->value = 0;
    return notImplemented("controller.add_LostFocus");
}

HRESULT STDMETHODCALLTYPE Controller::remove_LostFocus(EventRegistrationToken) {
    return notImplemented("controller.remove_LostFocus");
}

#include "page_host.h"

#include "overlay_state.h"

// The loader's entry point through which the page host creates its environment; held
// here so the program imports it from WebView2Loader.dll.
decltype(&CreateCoreWebView2EnvironmentWithOptions) createEnvironment =
    &CreateCoreWebView2EnvironmentWithOptions;

void startPageHost() {}

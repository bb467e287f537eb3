#include "page_host.h"

#include "launcher_state.h"

// Held here so the program imports the loader's entry point from WebView2Loader.dll.
decltype(&CreateCoreWebView2EnvironmentWithOptions) createEnvironment =
    &CreateCoreWebView2EnvironmentWithOptions;

void startPageHost() {}

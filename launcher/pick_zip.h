#pragma once

// The common file-open dialog for the downloaded Rookmere kit zip, modal on the
// user-interface thread; the page hears of the choice (or of a cancel). Called from the window
// procedure, never from inside a WebView2 handler.
void pickKitZip();

#pragma once

// Begins the asynchronous creation of the web view inside the launcher window; the rest
// happens in WebView2's callbacks on the user-interface thread.
void startPageHost();

// Closes the web view and lets go of it; nothing happens when there is none.
void closePageHost();

// Brings the page back after its browser or renderer process failed: a new web view, or the
// page reloaded. Does nothing unless a failure asked for it.
void recoverPage();

#pragma once

// Begins the asynchronous creation of the web view inside the host window.
void startPageHost();

// Reloads the page for the game side. The page counts as replaced from this call on, not
// only from its navigation's start, which the runtime reports later: what is posted in
// between would reach the document that is going.
void reloadPage();

// Shows or hides the web view; a hidden one is asked to use little memory.
void showPage(bool visible);

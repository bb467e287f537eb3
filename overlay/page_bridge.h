#pragma once
#include <string>

// Handles one web message from the page (its JSON text).
void handlePageMessage(const std::wstring& message);

// Posts a JSON text to the page; nothing while there is no web view. While the page is
// being replaced it is kept and posted after the new document's ready.
void postToPage(const std::wstring& message);

// The page that said ready is going (a navigation starts, or its browser or renderer
// failed): show requests, notes and every other message for it are kept, as before the
// first ready, until the new document says ready.
void pageReplaced();

// Keeps a message for a page that is away, up to a limit; beyond it the message is dropped
// and the first drop logged.
void keepMessage(const std::wstring& message);

// A navigation ended without replacing the document that had said ready: it listens still,
// so what was kept for its successor goes to it now.
void pageStays();

// There is no page any more and none will come: nothing is kept for one.
void pageGone();

// Shows the overlay with a pad text, or keeps the request until the page is ready.
void requestShow(const std::wstring& pad);

// Asks the page to close itself, or hides at once while the page is not ready.
void requestClose();

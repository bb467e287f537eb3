#pragma once
#include <string>

// Handles one web message from the page (its JSON text).
void handlePageMessage(const std::wstring& message);

// Posts a JSON text to the page; nothing while there is no web view.
void postToPage(const std::wstring& message);

// Shows the overlay with a pad text, or keeps the request until the page is ready.
void requestShow(const std::wstring& pad);

// Asks the page to close itself, or hides at once while the page is not ready.
void requestClose();

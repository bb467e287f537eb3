#pragma once
#include <string>

// The launcher's side of the conversation with its page.

// One request from the page (UTF-8 JSON), on the user-interface thread.
void handlePageMessage(const std::string& message);

// The one way to send a JSON text to the page, from any thread: posted to the launcher
// window, which hands it to the web view in posting order. Dropped while there is no window.
void postPageMessage(const std::string& json);

// Starts the action worker unless an action runs; otherwise tells the page so.
void startAction(const std::wstring& action, const std::wstring& gameDir,
                 const std::wstring& extraArguments);

#pragma once
#include <memory>
#include <string>

// Texts on their way from any thread to the launcher window, which receives them as bare
// pointers in window messages. Any process can post a message to a window, so the window
// takes only pointers it handed out itself and never frees a stranger's.

// The text, now owned by the pending set (a temporary is moved in, not copied: replies run to
// megabytes); returns its NUL-terminated characters, which stay put until taken back.
wchar_t* addPendingText(std::wstring text);

// The text back, if it is pending; null for any other value. Each text comes back once.
std::unique_ptr<std::wstring> takePendingText(const void* text);

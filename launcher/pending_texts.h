#pragma once
#include <memory>
#include <string>

// Texts on their way from any thread to the launcher window, which receives them as bare
// pointers in window messages. Any process can post a message to a window, so the window
// takes only pointers it handed out itself and never frees a stranger's.

// A heap copy (NUL-terminated) now owned by the pending set.
wchar_t* addPendingText(const std::wstring& text);

// The copy back, if it is pending; null for any other value. Each copy comes back once.
std::unique_ptr<wchar_t[]> takePendingText(const void* text);

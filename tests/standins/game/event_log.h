#pragma once
#include <windows.h>

#include <string>
#include <vector>

// Every message the tests care about, in arrival order, each as one JSON object.
void recordEvent(int window, bool focusChild, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                 const char* extra = nullptr);
bool isReportedMessage(UINT message);

// Events from index `first` on, at most `limit`, as a JSON array; `count` gets the total.
std::string eventsFrom(size_t first, size_t limit, size_t& count);

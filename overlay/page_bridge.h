#pragma once
#include <string>

// Shows the overlay with a pad text, or keeps the request until the page is ready.
void requestShow(const std::wstring& pad);

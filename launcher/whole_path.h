#pragma once
#include <cstddef>
#include <functional>
#include <string>

// A path from a call that fills the caller's buffer and cuts silently when it is too small,
// saying so only by using all of it (GetModuleFileNameW): asked again with twice the room
// until it fits. `read` gets a buffer and its size in units and returns the units written;
// 0 means failure. Empty when the call fails or the path would outgrow the longest path
// Windows has (32767 units).
std::wstring readWholePath(const std::function<size_t(wchar_t*, size_t)>& read);

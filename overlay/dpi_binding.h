#pragma once
#include <string>

// A window's DPI awareness as the system's predefined awareness contexts name it; unknown
// where the system cannot tell (before Windows 10 1607) or names none of them.
enum class DpiMode { unknown, unaware, systemAware, perMonitor, perMonitorV2, unawareGdiScaled };

const char* dpiModeName(DpiMode mode);

// Child mode with the game window already there when the host window is made: the awareness
// to make it under. A child of another awareness than its parent misbehaves, and SetParent
// across processes then resets the child's whole process, so the host takes the game's
// awareness when it differs from the thread's; unknown keeps the thread's.
DpiMode hostCreationMode(bool childMode, DpiMode game, DpiMode thread);

enum class DpiBinding { asChild, asOwned };

// Binding the host made earlier to a game window just found: a child only of a window of the
// same awareness (an owned window is a top-level window of its own, which may differ). Where
// either awareness is unknown the system cannot tell, and child mode stays as asked.
DpiBinding dpiBinding(bool childMode, DpiMode game, DpiMode host);

// The log lines of the two decisions.
std::string dpiCreationLine(DpiMode game, DpiMode thread);
std::string dpiOwnedLine(DpiMode game, DpiMode host);

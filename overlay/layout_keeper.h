#pragma once
#include <windows.h>

#include <string>

#include "layout_decide.h"

// The keeper's record, one per process.
extern LayoutKeeper layoutKeeper;

// Notes the keyboard layout the game is played with and asks for it back after alt-tab.
// Under test, when the environment variable VYR_KEYS_TEST_LAYOUT names a file at start-up,
// the game's layout is read from that file (a hexadecimal handle) on every tick instead:
// Wine answers GetKeyboardLayout of another process's thread with the caller's own layout
// and cannot switch layouts, so only this lets a test play a return with another layout.
void layoutKeeperTick();

// "en-US [04090409]", "? [...]" for a language without a locale name, "none" for 0.
std::string layoutName(HKL layout);

// One note, printf-formatted: to the overlay log as "keys: ..." and as a line of vyr_keys.txt.
void keysNote(const char* format, ...);

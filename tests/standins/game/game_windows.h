#pragma once
#include "game_state.h"

// Creates one more game window (and its focus child); returns its index or -1.
int createGameWindow(const std::wstring& className, const std::wstring& title, const RECT& outer,
                     bool hidden);

// The game window at a command's index, or null.
GameWindow* gameWindowAt(int index);

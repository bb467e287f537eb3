#pragma once
#include "game_state.h"
#include "json_text.h"

// What a test may ask about a game window, added to a reply.
void addWindowState(JsonText& reply, int index, const GameWindow& window);

// JSON arrays: every descendant window of `top` (other processes' too), and the top-level
// windows that `top` owns.
std::string childrenOf(HWND top);
std::string windowsOwnedBy(HWND top);

#pragma once
#include <string>

// The game side's "window" word: "borderless" makes the game window a borderless
// full-monitor window; anything else gives it its frame back.
void gameWindowCommand(const std::string& argument);

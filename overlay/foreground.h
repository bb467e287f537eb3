#pragma once

// Works out on every tick whether the game is away (minimised or behind another
// application) and tells the page when that changes.
void trackForeground();

#pragma once

// The only way the display mode changes: 0 hidden, 1 passive, 2 active.
void setMode(int mode);

// Recomputes whether the mouse falls through the window to the game, and applies it.
void applyPassThrough();

// Sets the host window's region: the whole client area while the cover is up, else the
// page's interactive rectangles.
void applyRegion(bool redraw);

// Takes the opaque start-up cover down, once.
void coverOff(const char* reason);

// Gives the keyboard focus to the overlay (take) or back to the game.
void handFocus(bool take);

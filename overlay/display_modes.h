#pragma once

// Sets the host window's region: the whole client area while the cover is up, else the
// page's interactive rectangles.
void applyRegion(bool redraw);

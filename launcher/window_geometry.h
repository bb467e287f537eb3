#pragma once

// The launcher window's size and place, and the smallest size the user can drag it to.

struct WindowBox {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

struct WorkArea {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// number * numerator / denominator rounded half away from zero, as the system's MulDiv;
// -1 when the denominator is 0 or the result does not fit.
int mulDiv(int number, int numerator, int denominator);

// The 1280 x 720 client area at a dpi.
WindowBox clientSizeForDpi(int dpi);

// An outer size shrunk to 95% of what fits when it is larger than the work area (aspect
// kept, truncated), then centred on the work area.
WindowBox placeWindow(int outerWidth, int outerHeight, const WorkArea& work);

// 980 x 600 scaled by the window's dpi; a dpi of 0 counts as 96.
WindowBox minimumTrackSize(int windowDpi);

#pragma once
// The rasterization scale a new controller starts with: that of the monitor its parent window
// is on (the monitor's DPI / 96), as the runtime takes it, or the test's stand-in value for
// it (VYR_WV2_RASTERIZATION_SCALE).
#include <windows.h>

double monitorScale(HWND window);

#include "overlay_state.h"

OverlayState state;
bool keepLayout = true;

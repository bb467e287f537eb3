#include "display_modes.h"

void applyRegion(bool) {}

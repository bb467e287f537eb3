#include "layout_keeper.h"

void layoutKeeperTick() {}

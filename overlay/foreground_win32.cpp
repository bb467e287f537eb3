#include "foreground.h"

void trackForeground() {}

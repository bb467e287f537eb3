#include "workers.h"

// Not built yet: no server check is reported.
void runServerCheck() {}

#include "workers.h"

// Not built yet: no status is reported.
void runStatusQuery(const std::wstring&) {}

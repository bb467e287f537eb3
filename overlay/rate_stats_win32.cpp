#include "rate_stats.h"

#include <windows.h>

#include "log.h"

void rateTick() {
    if (std::optional<std::string> line = rateTick(rateStats, GetTickCount()))
        logLine("%s", line->c_str());
}

#pragma once

// Appends one line to the overlay log: opened, written and closed for every line, so a
// line is on disk when the call returns. A log that cannot be opened loses the line.
void logLine(const char* format, ...);

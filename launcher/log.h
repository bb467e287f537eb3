#pragma once

// Appends one line to the launcher log, from any thread: opened, written and closed for
// every line, so the log can be read or deleted while the launcher runs. A log that cannot
// be opened loses the line.
void launcherLog(const char* format, ...);

// Writes the last line of this run; workers still running when the launcher ends write
// nothing after it.
void closeLauncherLog(const char* lastLine);

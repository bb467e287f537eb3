#pragma once
#include <functional>

// Runs work on a new detached thread. False when the thread could not be created; the work
// is then dropped unrun.
bool startWorkerThread(std::function<void()> work);

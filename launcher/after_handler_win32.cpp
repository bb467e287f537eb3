#include "after_handler.h"

#include <deque>
#include <utility>

#include "launcher_state.h"

namespace {

std::deque<std::function<void()>> queued;

} // namespace

void runAfterHandler(std::function<void()> work) {
    if (!state.mainWindow || !PostMessageW(state.mainWindow, kAfterHandlerMessage, 0, 0))
        return;
    queued.push_back(std::move(work));
}

void runQueuedWork() {
    if (queued.empty())
        return;
    std::function<void()> work = std::move(queued.front());
    queued.pop_front();
    work();
}

#include "worker_thread.h"

#include <windows.h>

namespace {

DWORD WINAPI workerMain(void* parameter) {
    auto* work = static_cast<std::function<void()>*>(parameter);
    (*work)();
    delete work;
    return 0;
}

} // namespace

bool startWorkerThread(std::function<void()> work) {
    auto* owned = new std::function<void()>(std::move(work));
    HANDLE thread = CreateThread(nullptr, 0, workerMain, owned, 0, nullptr);
    if (!thread) {
        delete owned;
        return false;
    }
    CloseHandle(thread);
    return true;
}

#include "dispatch.h"

#include "commands.h"

#include <deque>
#include <map>
#include <mutex>
#include <utility>

namespace {

constexpr UINT kTaskMessage = WM_APP + 1;

HWND window = nullptr;
std::mutex tasksLock;
std::deque<std::function<void()>> tasks;
std::map<UINT_PTR, std::function<void()>> timers;
UINT_PTR nextTimer = 1;

// The runtime's callbacks run one after another: while one is on the stack (its handler may
// run a nested message loop, a modal dialog say), the next waits until it has returned.
int running = 0;
unsigned deferredTasks = 0;
bool deferredCommands = false;

HINSTANCE thisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&startDispatcher), &module);
    return module;
}

void runOneTask() {
    std::function<void()> task;
    {
        std::lock_guard<std::mutex> hold(tasksLock);
        if (tasks.empty())
            return;
        task = std::move(tasks.front());
        tasks.pop_front();
    }
    task();
}

void runTimer(UINT_PTR id) {
    KillTimer(window, id);
    std::function<void()> task;
    {
        std::lock_guard<std::mutex> hold(tasksLock);
        auto found = timers.find(id);
        if (found == timers.end())
            return;
        task = std::move(found->second);
        timers.erase(found);
    }
    task();
}

// A timer that fires while a callback runs: its task waits in line with the others.
void deferTimer(UINT_PTR id) {
    KillTimer(window, id);
    std::lock_guard<std::mutex> hold(tasksLock);
    auto found = timers.find(id);
    if (found == timers.end())
        return;
    tasks.push_back(std::move(found->second));
    timers.erase(found);
    ++deferredTasks;
}

template <typename Callback> void runCallback(Callback callback) {
    ++running;
    callback();
    if (--running > 0)
        return;
    for (; deferredTasks > 0; --deferredTasks)
        PostMessageW(window, kTaskMessage, 0, 0);
    if (deferredCommands) {
        deferredCommands = false;
        PostMessageW(window, kSocketMessage, 0, 0);
    }
}

LRESULT CALLBACK dispatcherProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case kTaskMessage:
        if (running > 0)
            ++deferredTasks;
        else
            runCallback(runOneTask);
        return 0;
    case WM_TIMER:
        if (running > 0)
            deferTimer(wParam);
        else
            runCallback([wParam] { runTimer(wParam); });
        return 0;
    case kSocketMessage:
        if (running > 0)
            deferredCommands = true;
        else
            runCallback(serviceCommands);
        return 0;
    default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

} // namespace

void startDispatcher() {
    if (window)
        return;
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = dispatcherProc;
    windowClass.hInstance = thisModule();
    windowClass.lpszClassName = L"VYRStandinWebView2Dispatcher";
    RegisterClassW(&windowClass);
    window = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                             nullptr, windowClass.hInstance, nullptr);
}

HWND dispatcherWindow() {
    return window;
}

void postTask(std::function<void()> task, UINT delayMs) {
    std::lock_guard<std::mutex> hold(tasksLock);
    if (delayMs == 0) {
        tasks.push_back(std::move(task));
        PostMessageW(window, kTaskMessage, 0, 0);
        return;
    }
    const UINT_PTR id = nextTimer++;
    timers[id] = std::move(task);
    SetTimer(window, id, delayMs, nullptr);
}

// webview2_browser.exe: the stand-in's "browser process". It owns one top-level window
// that the stand-in can bring to the front or hide (WM_APP + 1, wParam 1 or 0), so that
// tests can put a window of the browser process in front, and it ends with its parent.
//   webview2_browser.exe PARENT_PID
#include <windows.h>

#include <cwchar>

namespace {

LRESULT CALLBACK browserProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_APP + 1:
        if (wParam) {
            ShowWindow(window, SW_SHOWNORMAL);
            SetForegroundWindow(window);
        } else {
            ShowWindow(window, SW_HIDE);
        }
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    const DWORD parentId = static_cast<DWORD>(std::wcstoul(commandLine, nullptr, 10));
    HANDLE parent = parentId ? OpenProcess(SYNCHRONIZE, FALSE, parentId) : nullptr;
    if (!parent)
        return 1;

    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = browserProc;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = L"VYRStandinBrowser";
    RegisterClassW(&windowClass);
    CreateWindowExW(0, windowClass.lpszClassName, L"VYR stand-in browser", WS_OVERLAPPEDWINDOW, 40,
                    40, 320, 200, nullptr, nullptr, instance, nullptr);

    for (;;) {
        const DWORD woke = MsgWaitForMultipleObjects(1, &parent, FALSE, INFINITE, QS_ALLINPUT);
        if (woke != WAIT_OBJECT_0 + 1)
            break; // the parent ended (or the wait failed)
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                CloseHandle(parent);
                return 0;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    CloseHandle(parent);
    return 0;
}

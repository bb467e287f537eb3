// The least a Wine GUI program holds and spends: one shown window and its message loop. With
// "tick" on the command line it also runs a 100 ms timer that does nothing, the period of
// overlay_host's tick, so the cost of Wine's timer alone can be told from the tick's work.
#include <windows.h>

#include <cwchar>

namespace {

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER)
        return 0;
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = L"VYRBenchGui";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, L"VYRBenchGui", L"gui baseline", WS_OVERLAPPEDWINDOW, 40, 40,
                                  320, 200, nullptr, nullptr, instance, nullptr);
    ShowWindow(window, SW_SHOWNOACTIVATE);
    if (std::wcsstr(commandLine, L"tick"))
        SetTimer(window, 1, 100, nullptr);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

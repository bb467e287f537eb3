#include "game_windows.h"

#include <cstdint>

#include "event_log.h"

namespace {

constexpr wchar_t focusClassName[] = L"StandinGameFocus";

// A window's role rides in its user data: game window index and whether it is the focus child.
void* roleParam(int index, bool focusChild) {
    return reinterpret_cast<void*>(
        static_cast<std::intptr_t>(((index << 1) | (focusChild ? 1 : 0)) + 1));
}

void onDestroyTop() {
    if (--game.liveWindows == 0)
        PostQuitMessage(0);
}

LRESULT CALLBACK gameWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    LONG_PTR role = GetWindowLongPtrW(hwnd, GWLP_USERDATA);
    if (role <= 0)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    int index = static_cast<int>((role - 1) >> 1);
    bool isFocusChild = ((role - 1) & 1) != 0;
    GameWindow& window = game.windows[static_cast<size_t>(index)];
    if (message == WM_NCCREATE)
        (isFocusChild ? window.focus : window.top) = hwnd;

    if (isReportedMessage(message)) {
        const char* note = nullptr;
        if (message == WM_INPUTLANGCHANGEREQUEST)
            note = game.honourLayoutRequests ? "accepted" : "refused";
        recordEvent(index, isFocusChild, hwnd, message, wParam, lParam, note);
    }

    switch (message) {
    case WM_INPUTLANGCHANGEREQUEST:
        if (!game.honourLayoutRequests)
            return 0;
        break;
    case WM_SETFOCUS:
        if (!isFocusChild && game.focusChild && window.focus) {
            SetFocus(window.focus);
            return 0;
        }
        break;
    case WM_LBUTTONDOWN:
        SetFocus(hwnd);
        return 0;
    case WM_CLOSE:
        if (!isFocusChild) {
            DestroyWindow(hwnd);
            return 0;
        }
        break;
    case WM_DESTROY:
        if (!isFocusChild)
            onDestroyTop();
        return 0;
    default:
        break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

bool registerClass(const wchar_t* name, COLORREF colour) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = gameWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = CreateSolidBrush(colour);
    windowClass.lpszClassName = name;
    return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

} // namespace

int createGameWindow(const std::wstring& className, const std::wstring& title, const RECT& outer,
                     bool hidden) {
    if (!registerClass(className.c_str(), RGB(40, 60, 40)) ||
        !registerClass(focusClassName, RGB(220, 220, 220)))
        return -1;
    int index = static_cast<int>(game.windows.size());
    game.windows.push_back({nullptr, nullptr, className, title});
    HINSTANCE instance = GetModuleHandleW(nullptr);
    HWND top =
        CreateWindowExW(0, className.c_str(), title.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                        outer.left, outer.top, outer.right - outer.left, outer.bottom - outer.top,
                        nullptr, nullptr, instance, roleParam(index, false));
    if (!top) {
        game.windows.pop_back();
        return -1;
    }
    ++game.liveWindows;
    CreateWindowExW(0, focusClassName, L"focus", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER, 8,
                    8, 160, 24, top, reinterpret_cast<HMENU>(static_cast<std::intptr_t>(1)),
                    instance, roleParam(index, true));
    if (!hidden) {
        ShowWindow(top, SW_SHOW);
        UpdateWindow(top);
    }
    if (game.focusChild && game.windows[static_cast<size_t>(index)].focus)
        SetFocus(game.windows[static_cast<size_t>(index)].focus);
    return index;
}

GameWindow* gameWindowAt(int index) {
    if (index < 0 || static_cast<size_t>(index) >= game.windows.size())
        return nullptr;
    return &game.windows[static_cast<size_t>(index)];
}

#include "launcher_window.h"

#include <dwmapi.h>

#include <utility>

#include "after_handler.h"
#include "launcher_state.h"
#include "page_delivery.h"
#include "page_host.h"
#include "pending_texts.h"
#include "pick_zip.h"
#include "window_geometry.h"

const wchar_t* const kLauncherClass = L"VYRFerrowakeLauncher";

namespace {

// Spelled as numbers: older SDK headers lack the names.
constexpr DWORD kUseImmersiveDarkMode = 20;
constexpr DWORD kCaptionColor = 35;
constexpr DWORD kTextColor = 36;

void onSize(LPARAM lParam) {
    if (!state.controller)
        return;
    RECT bounds{0, 0, LOWORD(lParam), HIWORD(lParam)};
    state.controller->put_Bounds(bounds);
}

void onGetMinMaxInfo(HWND window, LPARAM lParam) {
    WindowBox minimum = minimumTrackSize(static_cast<int>(GetDpiForWindow(window)));
    auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
    info->ptMinTrackSize.x = minimum.width;
    info->ptMinTrackSize.y = minimum.height;
}

void onDpiChanged(HWND window, LPARAM lParam) {
    const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
    SetWindowPos(window, nullptr, suggested->left, suggested->top,
                 suggested->right - suggested->left, suggested->bottom - suggested->top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

// Every text is freed here, whether or not the page is there to take it; a pointer that
// postPageMessage did not make (another process posting this message) is ignored.
void onPageMessage(LPARAM lParam) {
    std::unique_ptr<std::wstring> text = takePendingText(reinterpret_cast<const void*>(lParam));
    if (text)
        deliverToPage(std::move(*text));
}

LRESULT CALLBACK launcherWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_SIZE:
        onSize(lParam);
        return 0;
    case WM_GETMINMAXINFO:
        onGetMinMaxInfo(window, lParam);
        return 0;
    case WM_DPICHANGED:
        onDpiChanged(window, lParam);
        return 0;
    case kPageMessage:
        onPageMessage(lParam);
        return 0;
    case kPickZipMessage:
        pickKitZip();
        return 0;
    case kRecoverPageMessage:
        recoverPage();
        return 0;
    case kAfterHandlerMessage:
        runQueuedWork();
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

WindowBox initialPlacement() {
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);

    WindowBox client = clientSizeForDpi(dpi);
    RECT outer{0, 0, client.width, client.height};
    AdjustWindowRectExForDpi(&outer, WS_OVERLAPPEDWINDOW, FALSE, 0, static_cast<UINT>(dpi));

    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
    WorkArea work{monitor.rcWork.left, monitor.rcWork.top, monitor.rcWork.right,
                  monitor.rcWork.bottom};
    return placeWindow(outer.right - outer.left, outer.bottom - outer.top, work);
}

} // namespace

HWND createLauncherWindow(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = launcherWindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = CreateSolidBrush(kLauncherBackground);
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    windowClass.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                                        GetSystemMetrics(SM_CXSMICON),
                                                        GetSystemMetrics(SM_CYSMICON), 0));
    windowClass.lpszClassName = kLauncherClass;
    RegisterClassExW(&windowClass);

    WindowBox box = initialPlacement();
    return CreateWindowExW(0, kLauncherClass, L"VYR Ferrowake", WS_OVERLAPPEDWINDOW, box.x, box.y,
                           box.width, box.height, nullptr, nullptr, instance, nullptr);
}

void applyFrameColours(HWND window) {
    BOOL dark = TRUE;
    COLORREF caption = kLauncherBackground;
    COLORREF text = RGB(255, 255, 255);
    DwmSetWindowAttribute(window, kUseImmersiveDarkMode, &dark, sizeof dark);
    DwmSetWindowAttribute(window, kCaptionColor, &caption, sizeof caption);
    DwmSetWindowAttribute(window, kTextColor, &text, sizeof text);
}

#include "page_window.h"

#include "record.h"

#include <windowsx.h>

#include <memory>

namespace {

struct PageSurface {
    PageWindowCallbacks callbacks;
    int width = 0;
    int height = 0;
    std::vector<unsigned char> bgra;
    bool fresh = false; // a frame not yet painted
};

PageSurface* surfaceOf(HWND window) {
    return reinterpret_cast<PageSurface*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

// Where the page is transparent, a windowed web view shows its parent window: its class
// background, not whatever lies behind the parent.
COLORREF parentBackground(HWND window) {
    HWND parent = GetParent(window);
    auto brush = reinterpret_cast<HBRUSH>(GetClassLongPtrW(parent, GCLP_HBRBACKGROUND));
    LOGBRUSH info{};
    if (brush && GetObjectW(brush, sizeof info, &info) == sizeof info && info.lbStyle == BS_SOLID)
        return info.lbColor;
    return RGB(0, 0, 0);
}

void paint(HWND window, PageSurface& surface) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT client;
    GetClientRect(window, &client);
    if (surface.bgra.empty()) {
        HBRUSH brush = CreateSolidBrush(parentBackground(window));
        FillRect(dc, &client, brush);
        DeleteObject(brush);
        EndPaint(window, &ps);
        return;
    }
    const COLORREF under = parentBackground(window);
    const unsigned char back[3] = {GetBValue(under), GetGValue(under), GetRValue(under)};
    std::vector<unsigned char> shown(surface.bgra.size());
    for (size_t i = 0; i + 3 < shown.size(); i += 4) {
        const unsigned alpha = surface.bgra[i + 3];
        for (size_t c = 0; c < 3; ++c)
            shown[i + c] = static_cast<unsigned char>(surface.bgra[i + c] +
                                                      (back[c] * (255 - alpha) + 127) / 255);
        shown[i + 3] = 255;
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = surface.width;
    info.bmiHeader.biHeight = -surface.height; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    StretchDIBits(dc, 0, 0, client.right, client.bottom, 0, 0, surface.width, surface.height,
                  shown.data(), &info, DIB_RGB_COLORS, SRCCOPY);
    EndPaint(window, &ps);
    // When each of the page's frames reached the screen, for the benchmarks.
    if (surface.fresh && IsWindowVisible(window)) {
        surface.fresh = false;
        recordNote("painted", {jsonInt(surface.width), jsonInt(surface.height)});
    }
}

void sendMouse(PageSurface& surface, const char* kind, int x, int y, const char* button,
               int delta = 0) {
    if (surface.callbacks.onInput)
        surface.callbacks.onInput(std::string("{\"op\":\"mouse\",\"kind\":\"") + kind +
                                  "\",\"x\":" + jsonInt(x) + ",\"y\":" + jsonInt(y) +
                                  ",\"button\":\"" + button + "\",\"delta\":" + jsonInt(delta) +
                                  "}");
}

// Keys that type no character, by the names the page's keyboard events carry.
const char* keyName(WPARAM key) {
    switch (key) {
    case VK_RETURN:
        return "Enter";
    case VK_BACK:
        return "Backspace";
    case VK_TAB:
        return "Tab";
    case VK_ESCAPE:
        return "Escape";
    case VK_DELETE:
        return "Delete";
    case VK_LEFT:
        return "ArrowLeft";
    case VK_RIGHT:
        return "ArrowRight";
    case VK_UP:
        return "ArrowUp";
    case VK_DOWN:
        return "ArrowDown";
    case VK_HOME:
        return "Home";
    case VK_END:
        return "End";
    default:
        return nullptr;
    }
}

bool mouseMessage(HWND window, UINT message, LPARAM lParam, WPARAM wParam, PageSurface& surface) {
    const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
    switch (message) {
    case WM_MOUSEMOVE:
        sendMouse(surface, "move", x, y, "left");
        return true;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        // A click gives the page the keyboard, as the browser's own window takes it.
        SetFocus(window);
        SetCapture(window);
        sendMouse(surface, "down", x, y,
                  message == WM_LBUTTONDOWN   ? "left"
                  : message == WM_RBUTTONDOWN ? "right"
                                              : "middle");
        return true;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
        ReleaseCapture();
        sendMouse(surface, "up", x, y,
                  message == WM_LBUTTONUP   ? "left"
                  : message == WM_RBUTTONUP ? "right"
                                            : "middle");
        return true;
    case WM_MOUSEWHEEL: {
        POINT point{x, y}; // screen coordinates for this message
        ScreenToClient(window, &point);
        sendMouse(surface, "wheel", point.x, point.y, "left", GET_WHEEL_DELTA_WPARAM(wParam));
        return true;
    }
    default:
        return false;
    }
}

LRESULT CALLBACK pageWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    PageSurface* surface = surfaceOf(window);
    if (!surface)
        return DefWindowProcW(window, message, wParam, lParam);
    if (mouseMessage(window, message, lParam, wParam, *surface))
        return 0;
    const bool keyMessage = message == WM_KEYDOWN || message == WM_KEYUP ||
                            message == WM_SYSKEYDOWN || message == WM_SYSKEYUP;
    if (keyMessage && surface->callbacks.onKey && surface->callbacks.onKey(message, wParam, lParam))
        return 0;
    switch (message) {
    case WM_PAINT:
        paint(window, *surface);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_CHAR:
        if (wParam >= 0x20 && wParam != 0x7f && surface->callbacks.onInput) {
            const wchar_t text[2] = {static_cast<wchar_t>(wParam), 0};
            surface->callbacks.onInput(
                "{\"op\":\"key\",\"kind\":\"char\",\"text\":" + jsonText(text) + "}");
        }
        return 0;
    case WM_KEYDOWN:
        if (const char* name = keyName(wParam); name && surface->callbacks.onInput)
            surface->callbacks.onInput(
                std::string("{\"op\":\"key\",\"kind\":\"press\",\"key\":\"") + name + "\"}");
        return 0;
    case WM_DESTROY:
        if (surface->callbacks.onDestroyed)
            surface->callbacks.onDestroyed();
        return 0;
    case WM_NCDESTROY:
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        delete surface;
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

HINSTANCE thisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&createPageWindow), &module);
    return module;
}

} // namespace

HWND createPageWindow(HWND parent, PageWindowCallbacks callbacks) {
    static const ATOM registered = [] {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = pageWindowProc;
        windowClass.hInstance = thisModule();
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.lpszClassName = L"VYRStandinWebView";
        return RegisterClassW(&windowClass);
    }();
    if (!registered)
        return nullptr;
    auto surface = std::make_unique<PageSurface>();
    surface->callbacks = std::move(callbacks);
    HWND window = CreateWindowExW(0, L"VYRStandinWebView", L"", WS_CHILD | WS_CLIPSIBLINGS, 0, 0, 0,
                                  0, parent, nullptr, thisModule(), nullptr);
    if (!window)
        return nullptr;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(surface.release()));
    return window;
}

void setPageFrame(HWND window, int width, int height, std::vector<unsigned char> bgra) {
    PageSurface* surface = IsWindow(window) ? surfaceOf(window) : nullptr;
    if (!surface)
        return;
    surface->width = width;
    surface->height = height;
    surface->bgra = std::move(bgra);
    surface->fresh = true;
    InvalidateRect(window, nullptr, FALSE);
}

void destroyPageWindow(HWND window) {
    PageSurface* surface = IsWindow(window) ? surfaceOf(window) : nullptr;
    if (!surface)
        return;
    surface->callbacks.onDestroyed = nullptr;
    DestroyWindow(window);
}

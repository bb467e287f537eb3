#include "monitor_scale.h"

#include "config.h"

double monitorScale(HWND window) {
    if (standinConfig().rasterizationScale > 0)
        return standinConfig().rasterizationScale;
    // Looked up at run time, as shcore.dll's GetDpiForMonitor is (Windows 8.1 and later).
    using GetDpi = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    HMODULE shcore = LoadLibraryW(L"shcore.dll");
    auto getDpi = shcore ? reinterpret_cast<GetDpi>(
                               reinterpret_cast<void*>(GetProcAddress(shcore, "GetDpiForMonitor")))
                         : nullptr;
    UINT dpiX = 0, dpiY = 0;
    const int effectiveDpi = 0; // MDT_EFFECTIVE_DPI
    HMONITOR monitor = MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
    if (!getDpi || FAILED(getDpi(monitor, effectiveDpi, &dpiX, &dpiY)) || dpiX == 0) {
        HDC screen = GetDC(nullptr);
        dpiX = static_cast<UINT>(GetDeviceCaps(screen, LOGPIXELSX));
        ReleaseDC(nullptr, screen);
    }
    if (shcore)
        FreeLibrary(shcore);
    return dpiX > 0 ? dpiX / 96.0 : 1.0;
}

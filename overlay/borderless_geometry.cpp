#include "borderless_geometry.h"

bool asksForBorderless(const std::string& argument) {
    return argument == "borderless";
}

std::uint32_t borderlessStyle(std::uint32_t style) {
    return (style & ~kFrameBits) | kPopupBit;
}

BorderlessStep borderlessStep(bool borderlessOn, std::uint32_t style, const ScreenRect& window,
                              const ScreenRect& monitor) {
    BorderlessStep step;
    if ((style & kFrameBits) == 0 && window == monitor)
        return step;
    step.change = true;
    step.remember = !borderlessOn;
    step.style = borderlessStyle(style);
    step.rect = monitor;
    return step;
}

std::string borderlessLine(const ScreenRect& monitor) {
    long long width = static_cast<long long>(monitor.right) - monitor.left;
    long long height = static_cast<long long>(monitor.bottom) - monitor.top;
    return "window: borderless " + std::to_string(width) + "x" + std::to_string(height);
}

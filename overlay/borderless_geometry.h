#pragma once
// Decisions of the game window's borderless mode: when to change the window, to what style
// and rectangle, and what to remember so that the frame can be given back exactly.
#include <cstdint>
#include <string>

// Screen coordinates, as the platform's RECT holds them.
struct ScreenRect {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const ScreenRect&) const = default;
};

// WS_CAPTION, WS_SYSMENU, WS_THICKFRAME, WS_MINIMIZEBOX and WS_MAXIMIZEBOX.
constexpr std::uint32_t kFrameBits = 0x00CF0000;
constexpr std::uint32_t kPopupBit = 0x80000000; // WS_POPUP
// SWP_FRAMECHANGED | SWP_SHOWWINDOW | SWP_NOOWNERZORDER, and with SWP_NOZORDER to frame again.
constexpr unsigned kBorderlessMoveFlags = 0x0260;
constexpr unsigned kFramedMoveFlags = 0x0264;

// Only these ten bytes ask for borderless; anything else, the empty text too, for the frame.
bool asksForBorderless(const std::string& argument);

// The frame bits cleared and WS_POPUP set; every other bit kept.
std::uint32_t borderlessStyle(std::uint32_t style);

// What "borderless" does to a window with this style and rectangle on this monitor.
struct BorderlessStep {
    bool change = false;   // false: it already is a borderless full-monitor window
    bool remember = false; // keep the style and rectangle: only when turning on from off
    std::uint32_t style = 0;
    ScreenRect rect;
};
BorderlessStep borderlessStep(bool borderlessOn, std::uint32_t style, const ScreenRect& window,
                              const ScreenRect& monitor);

// "window: borderless <width>x<height>" of the monitor.
std::string borderlessLine(const ScreenRect& monitor);

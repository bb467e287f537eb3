#include "dpi_binding.h"

namespace {

const char* const kWhy = "a child window of another DPI awareness than its parent misbehaves, "
                         "and SetParent across processes resets the child's process";

bool known(DpiMode mode) {
    return mode != DpiMode::unknown;
}

} // namespace

const char* dpiModeName(DpiMode mode) {
    switch (mode) {
    case DpiMode::unaware:
        return "DPI unaware";
    case DpiMode::systemAware:
        return "system DPI aware";
    case DpiMode::perMonitor:
        return "per-monitor DPI aware";
    case DpiMode::perMonitorV2:
        return "per-monitor DPI aware v2";
    case DpiMode::unawareGdiScaled:
        return "DPI unaware, GDI scaled";
    case DpiMode::unknown:
        break;
    }
    return "of unknown DPI awareness";
}

DpiMode hostCreationMode(bool childMode, DpiMode game, DpiMode thread) {
    if (!childMode || !known(game) || !known(thread) || game == thread)
        return DpiMode::unknown;
    return game;
}

DpiBinding dpiBinding(bool childMode, DpiMode game, DpiMode host) {
    if (!childMode)
        return DpiBinding::asOwned;
    if (!known(game) || !known(host) || game == host)
        return DpiBinding::asChild;
    return DpiBinding::asOwned;
}

std::string dpiCreationLine(DpiMode game, DpiMode thread) {
    return std::string("dpi: the game window is ") + dpiModeName(game) + ", the overlay " +
           dpiModeName(thread) + " - the host window is made " + dpiModeName(game) +
           " to be its child (" + kWhy + ")";
}

std::string dpiOwnedLine(DpiMode game, DpiMode host) {
    return std::string("dpi: the game window is ") + dpiModeName(game) + ", the host window " +
           dpiModeName(host) + " - the overlay is an owned window of the game instead (" + kWhy +
           ")";
}

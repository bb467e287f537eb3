#pragma once
#include <cstdint>
#include <string>

// Game gone for longer than this ends the program.
constexpr uint32_t kNoGameLimitMs = 60000;
// The cover comes down at the latest this long after the host window was created.
constexpr uint32_t kCoverLimitMs = 10000;

// Elapsed times are unsigned 32-bit differences of tick counts, so the wrap is harmless.
inline bool noGameTooLong(uint32_t now, uint32_t noGameSince) {
    return now - noGameSince > kNoGameLimitMs;
}
inline bool coverTimedOut(uint32_t now, uint32_t startTick) {
    return now - startTick > kCoverLimitMs;
}

// The web view shows whenever the host window does: while active or passive, and under the
// cover, because the runtime draws no hidden web view and the page must draw to lift it.
inline bool webViewShown(int displayMode, bool covered) {
    return covered || displayMode != 0;
}

// The game's client rectangle and origin at the previous fit, to count fits that moved
// nothing apart from those that did. Every coordinate starts at -1.
struct FitGeometry {
    int left = -1, top = -1, right = -1, bottom = -1;
    int originX = -1, originY = -1;
    bool operator==(const FitGeometry&) const = default;
};

// Whether the tick fits the host to the game: on every tick while active or under the cover,
// while passive only when the game's geometry differs from the last fit, never while hidden.
bool fitOnTick(int displayMode, bool covered, bool sameAsLastFit);

// Remembers this fit's geometry; true when it differs from the previous one.
bool fitGeometryChanged(FitGeometry& previous, const FitGeometry& now);

// The executable's file name: the part of its path after the last '\' or '/'.
std::wstring fileNamePart(const std::wstring& path);

// How the host window's destruction came about, for its log line.
const char* destroyedSuffix(bool closeSeen, bool childMode);

#pragma once
// How often the busy paths run (messages each way, region updates, focus moves, cursor
// queries): counted cheaply where they happen, summed up on the host window's timer and
// written to the log once per 30 s window in which anything was counted.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

struct RateCounter {
    std::uint32_t total = 0;      // events since the current window started
    std::uint32_t thisSecond = 0; // events since the current one-second bucket started
    std::uint32_t busiest = 0;    // largest closed bucket of the current window
};

// The counted events, in the order of the table and of the summary line.
enum class RateEvent : std::size_t {
    pageToHost,         // each web message from the page, on entry to its handler
    hostToPage,         // each web message posted to the page
    gameToHost,         // each datagram received
    hostToGame,         // each datagram handed to the socket, whatever the send gives
    setWindowRgn,       // each update of the host window's region
    modeChanges,        // each change of the display mode to a different mode
    mouseOwnerSwitches, // each switch of whether the host takes mouse input
    fitToGame,          // each fit_to_game
    rectChanged,        // each fit whose client rectangle or origin differs from the last
    same,               // each fit whose rectangle and origin equal the last
    setFocus,           // each focus hand-over to the host or the game window
    moveFocus,          // each request to move focus into the web view
    wmSetCursor,        // each WM_SETCURSOR the host window receives
};
constexpr std::size_t kRateCounterCount = 13;

struct RateStats {
    std::array<RateCounter, kRateCounterCount> counters{};
    std::uint32_t windowStart = 0; // 0: no window started yet
    std::uint32_t secondStart = 0;

    RateCounter& operator[](RateEvent event) { return counters[static_cast<std::size_t>(event)]; }
    const RateCounter& operator[](RateEvent event) const {
        return counters[static_cast<std::size_t>(event)];
    }
};

// One event: two increments, nothing more.
inline void rateCount(RateCounter& counter) {
    ++counter.total;
    ++counter.thisSecond;
}

// One timer step at tick `now` (32-bit milliseconds; differences are taken unsigned, so the
// wrap is harmless). Buckets close on the first step 1000 ms or more after they opened; the
// window closes on the first step 30000 ms or more after it opened, and then the next one
// starts at once. Returns the summary line when a window that counted anything closes.
std::optional<std::string> rateTick(RateStats& stats, std::uint32_t now);

// The process-wide table that the whole program counts into.
extern RateStats rateStats;

// Counts one event in the process-wide table, e.g. rateCount(RateEvent::fitToGame).
inline void rateCount(RateEvent event) {
    rateCount(rateStats[event]);
}

// overlay_host only (rate_stats_win32.cpp): the host window calls this first on every timer
// tick; it steps the process-wide table with GetTickCount and writes the summary line to
// the overlay log when there is one.
void rateTick();

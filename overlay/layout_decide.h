#pragma once
// The keyboard layout keeper's decisions: which layout the game is played with, and when to
// ask the game for it back after the player returns from another application. Pure: the
// caller samples, posts and writes notes.
#include <array>
#include <cstdint>
#include <string>

// A keyboard layout handle as a number (the platform's HKL is pointer sized).
using LayoutHandle = std::uint64_t;

constexpr std::uint32_t kLayoutHoldMs = 3000;   // a layout in front this long is adopted
constexpr std::uint32_t kReturnWindowMs = 1500; // an ask cycle starts only this soon after a return
constexpr std::uint32_t kAskSpacingMs = 750;    // between the asks and before giving up
constexpr std::uint32_t kAskLimitWindowMs = 60000; // first asks are counted over this long
constexpr std::int32_t kAskLimit = 4;

// One per process, zero at start and never reset. Ticks are 32-bit milliseconds; every elapsed
// time is an unsigned difference, so the wrap does no harm.
struct LayoutKeeper {
    LayoutHandle seenLayout = 0;     // sampled last
    LayoutHandle playedLayout = 0;   // the one the game is played with; 0 until one held
    LayoutHandle previousLayout = 0; // the played one before the last adoption
    std::uint32_t seenSince = 0;     // when seenLayout last changed, or an ask cycle gave up
    std::uint32_t backAt = 0;        // when the game was seen back in front
    std::uint32_t askedAt = 0;       // when the last ask was posted
    bool returning = false;          // the game was away
    bool justBack = false;           // back in front; cleared when an ask cycle ends
    std::uint32_t askStage = 0;      // 0 none, 1 first ask posted, 2 second ask posted
    std::array<std::uint32_t, 4> askTimes{}; // first asks of the last minute, oldest first
    std::int32_t askCount = 0;               // entries used in askTimes
};

enum class LayoutResult { none, adopted, firstAsk, secondAsk, restored, kept, limit };

// One tick: the game away or not, and the layout of the game's thread (0: no sample).
LayoutResult layoutDecide(LayoutKeeper& keeper, std::uint32_t now, bool away, LayoutHandle layout);

// "en-US [04090409]": the locale name of the layout's language ("?" when it has none, given
// as an empty name) and the low 32 bits of the handle; "none" for 0. At most 159 bytes.
std::string layoutNameText(LayoutHandle layout, const std::string& localeName);

// " (not asked: no_keep_layout.txt)" while the keeper may not ask, else empty.
const char* notAskedSuffix(bool keepLayout);

// The note each result writes; names are layoutNameText's. `refused` only for asks that were
// posted and refused; `target` is the window the second ask went to. Empty for none.
struct LayoutNoteFacts {
    std::string layout;   // the sampled layout
    std::string played;   // the played layout (after an adoption: the new one)
    std::string previous; // the played layout before the adoption; empty when there was none
    bool refused = false;
    bool keepLayout = true;
    const void* target = nullptr;
};
std::string layoutNote(LayoutResult result, const LayoutNoteFacts& facts);

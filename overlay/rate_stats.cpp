#include "rate_stats.h"

#include "../common/bounded_format.h"

RateStats rateStats;

namespace {

constexpr std::uint32_t kBucketMs = 1000;
constexpr std::uint32_t kWindowMs = 30000;

void closeBuckets(RateStats& stats) {
    for (RateCounter& counter : stats.counters) {
        if (counter.thisSecond > counter.busiest)
            counter.busiest = counter.thisSecond;
        counter.thisSecond = 0;
    }
}

void restartWindow(RateStats& stats, std::uint32_t now) {
    stats.counters = {};
    stats.windowStart = now;
    stats.secondStart = now;
}

std::string summaryLine(const RateStats& stats, double seconds) {
    auto perSecond = [&](RateEvent event) { return stats[event].total / seconds; };
    auto busiest = [&](RateEvent event) { return static_cast<unsigned>(stats[event].busiest); };
    auto total = [&](RateEvent event) { return static_cast<unsigned long>(stats[event].total); };
    char line[640];
    size_t length = boundedFormat(
        line, sizeof line,
        "rates %.0fs (avg/s, busiest 1 s): page->host %.1f/%u host->page %.1f/%u game->host "
        "%.1f/%u host->game %.1f/%u | SetWindowRgn %.1f/%u, mode changes %lu, mouse-owner "
        "switches %lu | fit_to_game %.1f/%u (rect changed %lu, same %lu) | SetFocus %lu, "
        "MoveFocus %lu | WM_SETCURSOR %.1f/%u",
        seconds, perSecond(RateEvent::pageToHost), busiest(RateEvent::pageToHost),
        perSecond(RateEvent::hostToPage), busiest(RateEvent::hostToPage),
        perSecond(RateEvent::gameToHost), busiest(RateEvent::gameToHost),
        perSecond(RateEvent::hostToGame), busiest(RateEvent::hostToGame),
        perSecond(RateEvent::setWindowRgn), busiest(RateEvent::setWindowRgn),
        total(RateEvent::modeChanges), total(RateEvent::mouseOwnerSwitches),
        perSecond(RateEvent::fitToGame), busiest(RateEvent::fitToGame),
        total(RateEvent::rectChanged), total(RateEvent::same), total(RateEvent::setFocus),
        total(RateEvent::moveFocus), perSecond(RateEvent::wmSetCursor),
        busiest(RateEvent::wmSetCursor));
    return std::string(line, length);
}

} // namespace

std::optional<std::string> rateTick(RateStats& stats, std::uint32_t now) {
    if (stats.windowStart == 0) {
        stats.windowStart = now;
        stats.secondStart = now;
    }
    if (static_cast<std::uint32_t>(now - stats.secondStart) >= kBucketMs) {
        closeBuckets(stats);
        stats.secondStart = now;
    }
    const std::uint32_t elapsed = now - stats.windowStart;
    if (elapsed < kWindowMs)
        return std::nullopt;
    const double seconds = elapsed / 1000.0;

    std::uint64_t sum = 0; // thirteen 32-bit totals cannot overflow this
    for (const RateCounter& counter : stats.counters)
        sum += counter.total;
    if (sum == 0) {
        restartWindow(stats, now);
        return std::nullopt;
    }
    closeBuckets(stats); // the current, possibly partial, second
    std::string line = summaryLine(stats, seconds);
    restartWindow(stats, now);
    return line;
}

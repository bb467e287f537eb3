#include "layout_decide.h"

#include "../common/bounded_format.h"

namespace {

// Drops the first asks that are a minute old or older, keeping the order of the rest.
void forgetOldAsks(LayoutKeeper& keeper, std::uint32_t now) {
    std::int32_t kept = 0;
    for (std::int32_t i = 0; i < keeper.askCount && i < kAskLimit; ++i)
        if (now - keeper.askTimes[i] < kAskLimitWindowMs)
            keeper.askTimes[kept++] = keeper.askTimes[i];
    keeper.askCount = kept;
}

LayoutResult adoptIfHeld(LayoutKeeper& keeper, std::uint32_t now, bool fresh, LayoutHandle layout) {
    if (fresh || layout == keeper.playedLayout || now - keeper.seenSince < kLayoutHoldMs)
        return LayoutResult::none;
    keeper.previousLayout = keeper.playedLayout;
    keeper.playedLayout = layout;
    return LayoutResult::adopted;
}

} // namespace

LayoutResult layoutDecide(LayoutKeeper& keeper, std::uint32_t now, bool away, LayoutHandle layout) {
    if (away) {
        keeper.returning = true;
        return LayoutResult::none;
    }
    if (layout == 0)
        return LayoutResult::none;
    if (keeper.returning) {
        keeper.returning = false;
        keeper.justBack = true;
        keeper.backAt = now;
    }
    if (layout != keeper.seenLayout) {
        keeper.seenLayout = layout;
        keeper.seenSince = now;
    }
    bool fresh = keeper.justBack && now - keeper.backAt < kReturnWindowMs;

    if (keeper.playedLayout != 0 && layout != keeper.playedLayout) {
        if (keeper.askStage == 0) {
            if (!fresh)
                return adoptIfHeld(keeper, now, fresh, layout);
            forgetOldAsks(keeper, now);
            if (keeper.askCount >= kAskLimit) {
                keeper.justBack = false;
                return LayoutResult::limit;
            }
            keeper.askTimes[keeper.askCount++] = now;
            keeper.askStage = 1;
            keeper.askedAt = now;
            return LayoutResult::firstAsk;
        }
        if (now - keeper.askedAt < kAskSpacingMs)
            return LayoutResult::none;
        if (keeper.askStage == 1) {
            keeper.askStage = 2;
            keeper.askedAt = now;
            return LayoutResult::secondAsk;
        }
        keeper.seenSince = now;
        keeper.askStage = 0;
        keeper.justBack = false;
        return LayoutResult::kept;
    }
    if (keeper.askStage != 0 && layout == keeper.playedLayout) {
        keeper.askStage = 0;
        keeper.justBack = false;
        return LayoutResult::restored;
    }
    return adoptIfHeld(keeper, now, fresh, layout);
}

std::string layoutNameText(LayoutHandle layout, const std::string& localeName) {
    if (layout == 0)
        return "none";
    char name[160];
    boundedFormat(name, sizeof name, "%s [%08x]", localeName.empty() ? "?" : localeName.c_str(),
                  static_cast<unsigned>(layout & 0xFFFFFFFFu));
    return name;
}

const char* notAskedSuffix(bool keepLayout) {
    return keepLayout ? "" : " (not asked: no_keep_layout.txt)";
}

std::string layoutNote(LayoutResult result, const LayoutNoteFacts& facts) {
    char note[1024];
    const char* notAsked = notAskedSuffix(facts.keepLayout);
    switch (result) {
    case LayoutResult::none:
        return {};
    case LayoutResult::adopted:
        boundedFormat(note, sizeof note, "keyboard layout in play: %s%s", facts.played.c_str(),
                      facts.previous.empty() ? "" : (" (was " + facts.previous + ")").c_str());
        break;
    case LayoutResult::firstAsk:
        boundedFormat(note, sizeof note,
                      "back from another application with the keyboard layout %s - the game's "
                      "keys would land on other actions; the game asked for %s again (the one "
                      "played with)%s%s",
                      facts.layout.c_str(), facts.played.c_str(),
                      facts.refused ? " - the ask was refused" : "", notAsked);
        break;
    case LayoutResult::secondAsk:
        boundedFormat(note, sizeof note,
                      "the game is still on %s - its focus window %p asked for %s%s%s",
                      facts.layout.c_str(), facts.target, facts.played.c_str(),
                      facts.refused ? " - refused" : "", notAsked);
        break;
    case LayoutResult::restored:
        boundedFormat(note, sizeof note, "the game is on %s again", facts.played.c_str());
        break;
    case LayoutResult::kept:
        boundedFormat(note, sizeof note,
                      "the game kept %s - left as it is (the played one once it holds 3 s)",
                      facts.layout.c_str());
        break;
    case LayoutResult::limit:
        boundedFormat(note, sizeof note,
                      "back with %s, played with %s - asked %u times this minute already: left "
                      "as it is",
                      facts.layout.c_str(), facts.played.c_str(), static_cast<unsigned>(kAskLimit));
        break;
    }
    return note;
}

#pragma once
// Whether the player is looking at the game: the decisions of the foreground tracking, over
// facts the host window gathers on each tick.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

struct ForegroundFacts {
    bool gameMinimised = false;
    bool haveForeground = false;      // there is a foreground window at all
    bool foregroundIsHost = false;    // it is the overlay's own host window
    bool foregroundIsWebview = false; // it belongs to the page's browser process or a child of it
    std::uint32_t foregroundPid = 0;  // 0 when unknown
    std::uint32_t gamePid = 0;
    std::uint32_t ownPid = 0;
};

// true: away, false: in front; nothing: leave the verdict as it is (no foreground window,
// e.g. while desktops switch).
std::optional<bool> foregroundVerdict(const ForegroundFacts& facts);

// How far the browser-process test can be settled without a process snapshot.
enum class WebviewCheck { notWebview, webview, needsSnapshot };
WebviewCheck webviewCheck(bool haveForeground, std::uint32_t foregroundPid, std::uint32_t gamePid,
                          std::uint32_t ownPid, std::uint32_t browserPid);

// The older rule, kept for a diagnostic line: away unless the foreground window is the host
// or is rooted (by owner) in the game window. No foreground window counts as away.
bool oldRuleVerdict(bool gameMinimised, bool foregroundIsHost, bool rootOwnerIsGame);

// Stores the old rule's verdict; true when it changed and disagrees with the current one, the
// only case worth a line.
bool oldRuleLineDue(bool& oldRuleAway, bool oldVerdict, bool gameAway);

// "away (minimised)", "away (another application in front)" or "back in front".
const char* verdictText(bool away, bool gameMinimised);

// Longest title a window description shows in full.
constexpr std::size_t kTitleShown = 60;

// A window for the log: "<image> pid <pid> class '<class>' title '<title>' (<handle>)", the
// title cut to 60 UTF-16 units and "..." when longer, control characters in class and title
// as blanks; at most 767 bytes.
std::string describeWindowText(const std::string& imageName, unsigned long processId,
                               const std::wstring& className, const std::wstring& title,
                               const void* window);

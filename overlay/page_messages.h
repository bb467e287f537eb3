#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// What the overlay page and the host say to each other: the types the page sends, the
// texts the host posts, and the checks on the page's file and game requests.

enum class PageMessage {
    none,
    ready,
    cover,
    through,
    hide,
    mode,
    modal,
    region,
    load,
    save,
    game,
    log
};

// The virtual host the web folder is served under. It lies under a reserved top-level
// domain, so it can never be a real site and names under it fail to resolve at once.
extern const wchar_t* const kVirtualHost;

// "https://" + host + "/index.html".
std::wstring startPageUrl();

// The page may follow a link elsewhere; only messages from documents of our own origin
// ("https://" + host + "/", case-sensitive) may save files or reach the game.
bool messageFromOwnOrigin(const std::wstring& source);

// The page's `type`, case-sensitive; none for anything else.
PageMessage pageMessageType(const std::wstring& type);

// A flag counts only when its value is exactly true.
inline bool isTrue(const std::wstring& value) {
    return value == L"true";
}

// "active" 2, "passive" 1, anything else (or nothing) 0.
int modeFromPage(const std::wstring& value);

// {"type":"show"} with the pad when there is one.
std::wstring showMessage(const std::wstring& pad);

// A show request kept until the page is ready: "-" stands for one without a pad.
std::wstring pendingShowFor(const std::wstring& pad);
std::wstring padOfPendingShow(const std::wstring& pendingShow);

extern const wchar_t* const kCloseMessage;
extern const wchar_t* const kHostMessage;

// The game side's note value goes in as it came: neither quoted nor escaped.
std::wstring noteMessage(const std::wstring& note);

std::wstring fileMessage(const std::wstring& name, bool ok, const std::wstring& text);
std::wstring savedMessage(const std::wstring& name, bool ok);

// Only the two settings files, in any letter case and without a folder part.
bool allowedPageFile(const std::wstring& name);
std::wstring pageFilePath(const std::wstring& docDir, const std::wstring& name);

// The datagram text for the page's game request, or nothing when it is refused: a command
// of 1 to 39 bytes of a-z and '_', an argument under 200 bytes without CR or LF.
std::optional<std::string> gameRequestText(const std::string& command, const std::string& argument);

// Messages kept for a page that is away (not ready yet, being replaced, its browser being
// brought back) are capped, so that a game side that goes on sending cannot grow them
// without end: the newest beyond the limit are dropped.
constexpr std::size_t kKeptForPageLimit = 500;

// Keeps the message unless the limit is reached; false when it was dropped.
bool keepForPage(std::vector<std::wstring>& kept, const std::wstring& message);

// The line once the first message is dropped, and the count when the page is back.
std::string firstDroppedLine();
std::string droppedCountLine(std::size_t dropped);

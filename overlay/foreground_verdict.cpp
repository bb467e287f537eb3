#include "foreground_verdict.h"

#include "../common/bounded_format.h"
#include "utf8.h"

std::optional<bool> foregroundVerdict(const ForegroundFacts& facts) {
    if (facts.gameMinimised)
        return true;
    if (!facts.haveForeground)
        return std::nullopt;
    if (facts.foregroundIsHost || facts.foregroundIsWebview)
        return false;
    if (facts.foregroundPid == 0)
        return true;
    return facts.foregroundPid != facts.gamePid && facts.foregroundPid != facts.ownPid;
}

WebviewCheck webviewCheck(bool haveForeground, std::uint32_t foregroundPid, std::uint32_t gamePid,
                          std::uint32_t ownPid, std::uint32_t browserPid) {
    if (!haveForeground || foregroundPid == 0 || foregroundPid == gamePid ||
        foregroundPid == ownPid || browserPid == 0)
        return WebviewCheck::notWebview;
    if (foregroundPid == browserPid)
        return WebviewCheck::webview;
    return WebviewCheck::needsSnapshot;
}

bool oldRuleVerdict(bool gameMinimised, bool foregroundIsHost, bool rootOwnerIsGame) {
    return gameMinimised || (!foregroundIsHost && !rootOwnerIsGame);
}

bool oldRuleLineDue(bool& oldRuleAway, bool oldVerdict, bool gameAway) {
    if (oldVerdict == oldRuleAway)
        return false;
    oldRuleAway = oldVerdict;
    return oldVerdict != gameAway;
}

const char* verdictText(bool away, bool gameMinimised) {
    if (!away)
        return "back in front";
    return gameMinimised ? "away (minimised)" : "away (another application in front)";
}

namespace {

// Titles and class names are any other program's text: a line break in one would forge
// log lines, so every control character becomes a blank and the description stays one line.
std::wstring oneLine(std::wstring text) {
    for (wchar_t& c : text)
        if (c < 0x20 || c == 0x7F)
            c = L' ';
    return text;
}

} // namespace

std::string describeWindowText(const std::string& imageName, unsigned long processId,
                               const std::wstring& className, const std::wstring& title,
                               const void* window) {
    std::wstring shown = title;
    if (shown.size() > kTitleShown)
        shown = shown.substr(0, kTitleShown) + L"...";
    char line[768];
    boundedFormat(line, sizeof line, "%s pid %lu class '%s' title '%s' (%p)", imageName.c_str(),
                  processId, toUtf8(oneLine(className)).c_str(), toUtf8(oneLine(shown)).c_str(),
                  window);
    return line;
}

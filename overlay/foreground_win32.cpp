// Foreground and away tracking: the verdict on every tick, the page told of each change.
#include "foreground.h"

#include <tlhelp32.h>

#include "foreground_verdict.h"
#include "host_window.h"
#include "log.h"
#include "overlay_state.h"
#include "page_bridge.h"

namespace {

// Pop-ups and dialogs of the page live in the browser's child processes: their parent is
// the browser. A failed snapshot counts as foreign.
bool parentIsBrowser(DWORD processId, DWORD browserPid) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return false;
    bool found = false;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ProcessID == processId) {
            found = entry.th32ParentProcessID == browserPid;
            break;
        }
    }
    CloseHandle(snapshot);
    return found;
}

// Only when the foreground window or the browser changed, so the snapshot is rare.
void recheckWebview(HWND foreground, DWORD foregroundPid, DWORD ownPid) {
    if (foreground == state.lastForeground && state.browserProcessId == state.lastBrowserPid)
        return;
    state.lastForeground = foreground;
    state.lastBrowserPid = state.browserProcessId;
    switch (webviewCheck(foreground != nullptr, foregroundPid, state.gameProcessId, ownPid,
                         state.browserProcessId)) {
    case WebviewCheck::notWebview:
        state.foregroundIsWebview = false;
        break;
    case WebviewCheck::webview:
        state.foregroundIsWebview = true;
        break;
    case WebviewCheck::needsSnapshot:
        state.foregroundIsWebview = parentIsBrowser(foregroundPid, state.browserProcessId);
        break;
    }
}

void compareWithOldRule(HWND foreground, bool minimised) {
    HWND rootOwner = foreground ? GetAncestor(foreground, GA_ROOTOWNER) : nullptr;
    bool oldVerdict = oldRuleVerdict(minimised, foreground && foreground == state.hostWindow,
                                     rootOwner && rootOwner == state.gameWindow);
    if (!oldRuleLineDue(state.oldRuleAway, oldVerdict, state.gameAway))
        return;
    logLine("(the old GA_ROOTOWNER rule would say %s now - foreground: %s, root owner %p, game "
            "window %p)",
            oldVerdict ? "away" : "in front", describeWindow(foreground).c_str(),
            static_cast<void*>(rootOwner), static_cast<void*>(state.gameWindow));
}

} // namespace

std::string describeWindow(HWND window) {
    if (!window)
        return "none";
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    wchar_t className[128] = {};
    wchar_t title[256] = {};
    GetClassNameW(window, className, 128);
    GetWindowTextW(window, title, 256);
    return describeWindowText(processImageName(processId), processId, className, title,
                              static_cast<void*>(window));
}

void trackForeground() {
    if (!state.gameWindow || !IsWindow(state.gameWindow))
        return;
    if (state.gameProcessId == 0)
        GetWindowThreadProcessId(state.gameWindow, &state.gameProcessId);
    HWND foreground = GetForegroundWindow();
    DWORD foregroundPid = 0;
    if (foreground)
        GetWindowThreadProcessId(foreground, &foregroundPid);
    DWORD ownPid = GetCurrentProcessId();
    recheckWebview(foreground, foregroundPid, ownPid);

    ForegroundFacts facts;
    facts.gameMinimised = IsIconic(state.gameWindow) != FALSE;
    facts.haveForeground = foreground != nullptr;
    facts.foregroundIsHost = foreground && foreground == state.hostWindow;
    facts.foregroundIsWebview = state.foregroundIsWebview;
    facts.foregroundPid = foregroundPid;
    facts.gamePid = state.gameProcessId;
    facts.ownPid = ownPid;
    std::optional<bool> verdict = foregroundVerdict(facts);
    if (verdict && *verdict != state.gameAway) {
        state.gameAway = *verdict;
        postToPage(state.gameAway ? L"{\"type\":\"away\"}" : L"{\"type\":\"back\"}");
        logLine("game %s - foreground: %s", verdictText(state.gameAway, facts.gameMinimised),
                describeWindow(foreground).c_str());
    }
    compareWithOldRule(foreground, facts.gameMinimised);
}

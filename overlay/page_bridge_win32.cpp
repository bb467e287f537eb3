// The host's end of the conversation with the overlay page.
#include "page_bridge.h"

#include "display_modes.h"
#include "hit_rect.h"
#include "json.h"
#include "log.h"
#include "overlay_state.h"
#include "page_file_store.h"
#include "page_messages.h"
#include "rate_stats.h"
#include "udp_link.h"
#include "utf8.h"

namespace {

// Messages dropped since the page went away.
size_t droppedForPage = 0;

// What was kept for the page that listens again: the show, then the rest in order.
void deliverKept() {
    state.pageReady = true;
    state.pageLoadingAgain = false;
    if (droppedForPage > 0)
        logLine("%s", droppedCountLine(droppedForPage).c_str());
    droppedForPage = 0;
    if (state.displayMode == 2)
        postToPage(showMessage(padOfPendingShow(state.pendingShow)));
    state.pendingShow.clear();
    std::vector<std::wstring> pending;
    pending.swap(state.pendingToPage);
    for (const std::wstring& message : pending)
        postToPage(message);
    postToPage(kHostMessage);
}

void onReady() {
    logLine("page ready");
    deliverKept();
    if (state.displayMode == 2)
        handFocus(true); // the player asked for the overlay before the page could take keys
}

// An answer to the document that asked: it is listening, ready or not.
void replyToPage(const std::wstring& message) {
    if (!state.webView)
        return;
    rateCount(RateEvent::hostToPage);
    state.webView->PostWebMessageAsJson(message.c_str());
}

void onThrough(const std::wstring& message) {
    bool wanted = isTrue(jsonField(message, L"on"));
    if (wanted == state.pageWantsThrough)
        return;
    state.pageWantsThrough = wanted;
    logLine("through %s", wanted ? "on" : "off");
    applyPassThrough();
}

void onLoad(const std::wstring& message) {
    std::wstring name = jsonField(message, L"file");
    std::string bytes;
    bool ok = allowedPageFile(name) && loadPageFile(pageFilePath(state.docDir, name), bytes);
    replyToPage(fileMessage(name, ok, ok ? fromUtf8(bytes) : std::wstring()));
}

void onSave(const std::wstring& message) {
    std::wstring name = jsonField(message, L"file");
    std::wstring text = jsonField(message, L"text");
    bool ok = allowedPageFile(name) && savePageFile(pageFilePath(state.docDir, name), toUtf8(text));
    logLine("save %s: %s", toUtf8(name).c_str(), ok ? "ok" : "FAILED");
    replyToPage(savedMessage(name, ok));
}

void onGame(const std::wstring& message) {
    std::string command = toUtf8(jsonField(message, L"cmd"));
    std::string argument = toUtf8(jsonField(message, L"arg"));
    std::optional<std::string> request = gameRequestText(command, argument);
    if (!request)
        return;
    sendToGame(*request);
    logLine("game: %s %s", command.c_str(), argument.c_str());
}

} // namespace

void handlePageMessage(const std::wstring& message) {
    switch (pageMessageType(jsonField(message, L"type"))) {
    case PageMessage::ready:
        onReady();
        break;
    case PageMessage::cover:
        if (!isTrue(jsonField(message, L"on")))
            coverOff("the page has drawn");
        break;
    case PageMessage::through:
        onThrough(message);
        break;
    case PageMessage::hide:
        setMode(0);
        break;
    case PageMessage::mode:
        setMode(modeFromPage(jsonField(message, L"mode")));
        break;
    case PageMessage::modal:
        sendToGame(isTrue(jsonField(message, L"on")) ? "modal on" : "modal off");
        break;
    case PageMessage::region:
        state.hitRects = parseRects(jsonField(message, L"rects"));
        applyRegion(true);
        break;
    case PageMessage::load:
        onLoad(message);
        break;
    case PageMessage::save:
        onSave(message);
        break;
    case PageMessage::game:
        onGame(message);
        break;
    case PageMessage::log:
        logLine("page: %s", toUtf8(jsonField(message, L"text")).c_str());
        break;
    case PageMessage::none:
        break;
    }
}

void postToPage(const std::wstring& message) {
    if (state.pageLoadingAgain) {
        keepMessage(message);
        return;
    }
    replyToPage(message);
}

void keepMessage(const std::wstring& message) {
    if (keepForPage(state.pendingToPage, message))
        return;
    if (droppedForPage++ == 0)
        logLine("%s", firstDroppedLine().c_str());
}

void pageStays() {
    if (!state.pageLoadingAgain)
        return;
    logLine("the page stays: its navigation replaced nothing");
    deliverKept();
}

void pageGone() {
    state.pageReady = false;
    state.pageLoadingAgain = false;
    state.pendingShow.clear();
    state.pendingToPage.clear();
    droppedForPage = 0;
}

void pageReplaced() {
    if (!state.pageReady && !state.pageLoadingAgain)
        return; // the first document has not said ready yet: nothing changes
    state.pageReady = false;
    state.pageLoadingAgain = true;
}

void requestShow(const std::wstring& pad) {
    setMode(2);
    if (state.pageReady)
        postToPage(showMessage(pad));
    else
        state.pendingShow = pendingShowFor(pad);
}

void requestClose() {
    if (state.pageReady)
        postToPage(kCloseMessage);
    else
        setMode(0);
}

#include "page_delivery.h"

#include <utility>

#include "launcher_state.h"
#include "page_bridge.h"
#include "page_outbox.h"
#include "utf8.h"

namespace {

PageOutbox outbox;

void post(const std::vector<std::wstring>& messages) {
    for (const std::wstring& message : messages)
        if (state.webView)
            state.webView->PostWebMessageAsJson(message.c_str());
}

} // namespace

void deliverToPage(std::wstring json) {
    post(outgoing(outbox, std::move(json)));
}

void holdPageMessages() {
    holdUntilHello(outbox);
}

void answerHello(const std::string& helloReply) {
    if (!outbox.holding) {
        postPageMessage(helloReply);
        return;
    }
    // Messages still on their way in the window's queue come after these, in the order they
    // were posted.
    post(afterHello(outbox, fromUtf8(helloReply)));
}

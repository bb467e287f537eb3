#include "page_outbox.h"

#include <utility>

void holdUntilHello(PageOutbox& outbox) {
    outbox.holding = true;
}

std::vector<std::wstring> outgoing(PageOutbox& outbox, std::wstring message) {
    if (outbox.holding) {
        outbox.held.push_back(std::move(message));
        return {};
    }
    std::vector<std::wstring> now;
    now.push_back(std::move(message));
    return now;
}

std::vector<std::wstring> afterHello(PageOutbox& outbox, std::wstring helloReply) {
    std::vector<std::wstring> now;
    now.reserve(outbox.held.size() + 1);
    now.push_back(std::move(helloReply));
    for (std::wstring& message : outbox.held)
        now.push_back(std::move(message));
    outbox.held.clear();
    outbox.holding = false;
    return now;
}

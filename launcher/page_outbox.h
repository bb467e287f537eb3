#pragma once
#include <string>
#include <vector>

// Messages for the page while it is away: after its browser or renderer process failed, the
// page host brings a new page, and until that page has said hello nothing would hear them
// (log lines and the end of a running action among them). They are kept, in order, and the
// new page gets them after the reply to its hello. User-interface thread only.
struct PageOutbox {
    bool holding = false;
    std::vector<std::wstring> held;
};

// The page is gone until its next hello.
void holdUntilHello(PageOutbox& outbox);

// What to post to the page now for one message: the message itself, or nothing while held.
std::vector<std::wstring> outgoing(PageOutbox& outbox, std::wstring message);

// The new page said hello: the hello reply first, then every kept message in order. Holding
// ends here.
std::vector<std::wstring> afterHello(PageOutbox& outbox, std::wstring helloReply);

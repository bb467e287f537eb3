#pragma once
#include <string>

// The last step of every message to the page, on the user-interface thread: into the web
// view, or kept while the page is away after a failure of the runtime (page_outbox.h).

void deliverToPage(std::wstring json);

// From now until the new page's hello, messages are kept.
void holdPageMessages();

// The reply to the page's hello: posted as every reply is, or, when the page is back after a
// failure, handed to it at once and followed by everything kept meanwhile.
void answerHello(const std::string& helloReply);

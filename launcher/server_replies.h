#pragma once
#include <string>

// The server check's answers to the page and its log line (UTF-8).

// One fetched document: the HTTP status code (0 when nothing answered) and the body.
struct FetchedDocument {
    unsigned long status = 0;
    std::string body;
};

// A body is read until the server has no more or it holds more than this many bytes.
constexpr size_t kDocumentLimit = 16777216;

bool documentIsComplete(const std::string& body);

// {"type":"server","ok":...,"ms":...,"status":...,"manifest":...}; a document counts only
// when it answered 200.
std::string serverReply(unsigned long milliseconds, const FetchedDocument& status,
                        const FetchedDocument& manifest);

std::string noServerReply();

std::string serverLogLine(const std::string& server, const FetchedDocument& status,
                          const FetchedDocument& manifest, unsigned long milliseconds);

extern const char* const kStatusDocumentPath;
extern const char* const kManifestDocumentPath;
extern const char* const kServerUserAgent;

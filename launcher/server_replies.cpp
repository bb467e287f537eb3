#include "server_replies.h"

#include "json.h"

const char* const kStatusDocumentPath = "/vyr/status";
const char* const kManifestDocumentPath = "/vyr/update/pc/manifest";
const char* const kServerUserAgent = "VYR-Ferrowake-Launcher/1.0";

namespace {

std::string bodyIfOk(const FetchedDocument& document) {
    return document.status == 200 ? document.body : std::string();
}

} // namespace

bool documentIsComplete(const std::string& body) {
    return body.size() > kDocumentLimit;
}

std::string serverReply(unsigned long milliseconds, const FetchedDocument& status,
                        const FetchedDocument& manifest) {
    bool ok = status.status == 200 || manifest.status == 200;
    return std::string("{\"type\":\"server\",\"ok\":") + (ok ? "true" : "false") +
           ",\"ms\":" + std::to_string(milliseconds) +
           ",\"status\":" + jsonQuote(bodyIfOk(status)) +
           ",\"manifest\":" + jsonQuote(bodyIfOk(manifest)) + "}";
}

std::string noServerReply() {
    return "{\"type\":\"server\",\"ok\":false,\"why\":\"no server in launcher.json\"}";
}

std::string serverLogLine(const std::string& server, const FetchedDocument& status,
                          const FetchedDocument& manifest, unsigned long milliseconds) {
    return "server " + server + ": status " + std::to_string(status.status) + ", manifest " +
           std::to_string(manifest.status) + " (" +
           std::to_string(static_cast<unsigned>(manifest.body.size())) + " bytes), " +
           std::to_string(milliseconds) + " ms";
}

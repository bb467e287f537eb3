#include "page_replies.h"

#include "json.h"

const char* const kGameFolderNotFound = "the game folder was not found";
const char* const kNoRookmereKitChosen = "no Rookmere kit was chosen";
const char* const kActionStillRunning = "another action is still running";
const char* const kActionWorkerFailed = "the action could not be started (no worker thread)";

std::string helloReply(const std::string& version, const std::wstring& kitDir,
                       const std::string& server, bool sandbox) {
    return "{\"type\":\"hello\",\"version\":" + jsonQuote(version) +
           ",\"kit\":" + jsonQuoteWide(kitDir) + ",\"server\":" + jsonQuote(server) +
           ",\"sandbox\":" + (sandbox ? "true" : "false") + "}";
}

std::string playedReply(bool ok) {
    return std::string("{\"type\":\"played\",\"ok\":") + (ok ? "true" : "false") + "}";
}

std::string pickedReply(const std::wstring& path) {
    return "{\"type\":\"picked\",\"path\":" + jsonQuoteWide(path) + "}";
}

std::string actionRefusal(const std::string& why) {
    return "{\"type\":\"done\",\"ok\":false,\"why\":" + jsonQuote(why) + "}";
}

std::string statusWorkerFailedReply() {
    return "{\"type\":\"status\",\"raw\":\"\",\"why\":"
           "\"the status query could not be started (no worker thread)\"}";
}

std::string serverWorkerFailedReply() {
    return "{\"type\":\"server\",\"ok\":false,\"why\":"
           "\"the server check could not be started (no worker thread)\"}";
}

#pragma once
#include <string>

// Replies to the page, written from fixed fragments and quoted strings (UTF-8).

std::string helloReply(const std::string& version, const std::wstring& kitDir,
                       const std::string& server, bool sandbox);
std::string playedReply(bool ok);
std::string pickedReply(const std::wstring& path);

// {"type":"done","ok":false,"why":...}: an "act" that was refused before it started.
std::string actionRefusal(const std::string& why);

extern const char* const kGameFolderNotFound;
extern const char* const kNoRookmereKitChosen;
extern const char* const kActionStillRunning;
extern const char* const kActionWorkerFailed;

// Answers to status and server requests whose worker thread could not be created, so the
// page is not left waiting.
std::string statusWorkerFailedReply();
std::string serverWorkerFailedReply();

#pragma once
#include <atomic>
#include <functional>
#include <optional>
#include <string>

#include "local_path.h"

// The page's requests, read from its UTF-8 JSON messages one member at a time.

enum class PageCommand { none, hello, status, server, act, play, pickzip, folder };

// The "cmd" member, compared exactly; anything else is none.
PageCommand pageCommand(const std::string& message);

// A keep-hash is exactly 64 hexadecimal digits (either case).
bool isKeepSha(const std::string& text);

// The message's "keepSha" when it is a keep-hash, else empty text.
std::string keepShaOf(const std::string& message);

// What an "act" request comes to.
struct ActDecision {
    enum class Kind { ignore, refuse, start };
    Kind kind = Kind::ignore;
    std::string reply; // refuse: the reply for the page
    std::wstring action;
    std::wstring gameDir;
    std::wstring extraArguments; // each piece begins with a space
};

// commandLineGameDir: --game, which wins over the page's "game" when non-empty.
ActDecision decideAct(const std::string& message, const std::wstring& commandLineGameDir,
                      const FileSystemView& files);

// The folder a "folder" request may open, or nothing. A path with '%' is never opened.
std::optional<std::wstring> folderToOpen(const std::string& message, const FileSystemView& files);

// At most one action at a time: claims busy (0 -> 1) and starts the worker. Returns the reply
// for the page when nothing was started (busy, or the worker could not be created, in which
// case busy is released again); empty text when the worker runs and will answer itself.
std::string startActionWith(std::atomic<int>& busy, const std::function<bool()>& startWorker);

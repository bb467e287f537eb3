#include "page_request.h"

#include "json.h"
#include "page_replies.h"
#include "utf8.h"

namespace {

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool isServedAction(const std::string& action) {
    return action == "install" || action == "repair" || action == "uninstall" ||
           action == "rookmere";
}

std::wstring quoted(const std::wstring& path) {
    return L"\"" + path + L"\"";
}

// The Rookmere kit's source as script arguments, or nothing when none was chosen.
std::optional<std::wstring> rookmereArguments(const std::string& message,
                                              const FileSystemView& files) {
    if (jsonGetValue(message, "rookmereDownload") == "true")
        return std::wstring(L" -RookmereDownload");
    std::string dir = jsonGetValue(message, "rookmereDir");
    if (!dir.empty()) {
        std::wstring full = files.fullPath(fromUtf8(dir));
        if (checkLocalPath(full, true, files.kindOf))
            return L" -RookmereDir " + quoted(full);
    }
    std::string zip = jsonGetValue(message, "rookmereZip");
    if (!zip.empty()) {
        std::wstring full = files.fullPath(fromUtf8(zip));
        if (checkLocalPath(full, false, files.kindOf))
            return L" -RookmereZip " + quoted(full);
    }
    return std::nullopt;
}

ActDecision refuse(const char* why) {
    ActDecision decision;
    decision.kind = ActDecision::Kind::refuse;
    decision.reply = actionRefusal(why);
    return decision;
}

} // namespace

PageCommand pageCommand(const std::string& message) {
    std::string cmd = jsonGetValue(message, "cmd");
    if (cmd == "hello")
        return PageCommand::hello;
    if (cmd == "status")
        return PageCommand::status;
    if (cmd == "server")
        return PageCommand::server;
    if (cmd == "act")
        return PageCommand::act;
    if (cmd == "play")
        return PageCommand::play;
    if (cmd == "pickzip")
        return PageCommand::pickzip;
    if (cmd == "folder")
        return PageCommand::folder;
    return PageCommand::none;
}

bool isKeepSha(const std::string& text) {
    if (text.size() != 64)
        return false;
    for (char c : text)
        if (!isHexDigit(c))
            return false;
    return true;
}

std::string keepShaOf(const std::string& message) {
    std::string value = jsonGetValue(message, "keepSha");
    return isKeepSha(value) ? value : std::string();
}

ActDecision decideAct(const std::string& message, const std::wstring& commandLineGameDir,
                      const FileSystemView& files) {
    std::string action = jsonGetValue(message, "action");
    if (!isServedAction(action))
        return {};

    std::wstring gameDir = !commandLineGameDir.empty()
                               ? commandLineGameDir
                               : files.fullPath(fromUtf8(jsonGetValue(message, "game")));
    if (!checkLocalPath(gameDir, true, files.kindOf) ||
        files.kindOf(gameDir + L"\\package\\patch_npk") != PathKind::folder)
        return refuse(kGameFolderNotFound);

    std::wstring extra;
    std::string keepSha = keepShaOf(message);
    if (!keepSha.empty())
        extra += L" -KeepSha " + fromUtf8(keepSha);
    if (action == "rookmere") {
        std::optional<std::wstring> kit = rookmereArguments(message, files);
        if (!kit)
            return refuse(kNoRookmereKitChosen);
        extra += *kit;
    }

    ActDecision decision;
    decision.kind = ActDecision::Kind::start;
    decision.action = fromUtf8(action);
    decision.gameDir = gameDir;
    decision.extraArguments = extra;
    return decision;
}

std::optional<std::wstring> folderToOpen(const std::string& message, const FileSystemView& files) {
    std::wstring path = files.fullPath(fromUtf8(jsonGetValue(message, "path")));
    // The shell expands %NAME% in the file it opens, so a folder named "%NAME%.exe" would
    // start the program NAME's value names instead of opening itself.
    if (path.find(L'%') != std::wstring::npos || !checkLocalPath(path, true, files.kindOf))
        return std::nullopt;
    return path;
}

std::string startActionWith(std::atomic<int>& busy, const std::function<bool()>& startWorker) {
    int idle = 0;
    if (!busy.compare_exchange_strong(idle, 1))
        return actionRefusal(kActionStillRunning);
    if (!startWorker()) {
        busy.store(0);
        return actionRefusal(kActionWorkerFailed);
    }
    return {};
}

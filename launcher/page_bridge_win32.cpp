#include "page_bridge.h"

#include <windows.h>
#include <shellapi.h>

#include "after_handler.h"
#include "files.h"
#include "launcher_state.h"
#include "log.h"
#include "page_delivery.h"
#include "page_replies.h"
#include "page_request.h"
#include "pending_texts.h"
#include "utf8.h"
#include "worker_thread.h"
#include "workers.h"

namespace {

void startStatus(const std::string& message) {
    std::wstring keepSha = fromUtf8(keepShaOf(message));
    if (!startWorkerThread([keepSha] { runStatusQuery(keepSha); }))
        postPageMessage(statusWorkerFailedReply());
}

void startServerCheck() {
    if (!startWorkerThread([] { runServerCheck(); }))
        postPageMessage(serverWorkerFailedReply());
}

void act(const std::string& message) {
    ActDecision decision = decideAct(message, state.gameDir, realFileSystem());
    if (decision.kind == ActDecision::Kind::refuse)
        postPageMessage(decision.reply);
    else if (decision.kind == ActDecision::Kind::start)
        startAction(decision.action, decision.gameDir, decision.extraArguments);
}

// The shell's handlers may run message loops of their own (a browser or Steam asking
// something, a folder window starting): both wait until the web message handler has returned.
void play() {
    runAfterHandler([] {
        HINSTANCE result = ShellExecuteW(state.mainWindow, L"open", L"steam://rungameid/5204417",
                                         nullptr, nullptr, SW_SHOWNORMAL);
        launcherLog("play: %p", static_cast<void*>(result));
        postPageMessage(playedReply(reinterpret_cast<INT_PTR>(result) > 32));
    });
}

void openFolder(const std::string& message) {
    if (auto folder = folderToOpen(message, realFileSystem())) {
        std::wstring path = std::move(*folder);
        runAfterHandler([path] {
            ShellExecuteW(state.mainWindow, L"open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        });
    }
}

} // namespace

void handlePageMessage(const std::string& message) {
    switch (pageCommand(message)) {
    case PageCommand::hello:
        answerHello(helloReply(state.version, state.kitDir, state.server, sandboxMode()));
        break;
    case PageCommand::status:
        startStatus(message);
        break;
    case PageCommand::server:
        startServerCheck();
        break;
    case PageCommand::act:
        act(message);
        break;
    case PageCommand::play:
        play();
        break;
    case PageCommand::pickzip:
        PostMessageW(state.mainWindow, kPickZipMessage, 0, 0);
        break;
    case PageCommand::folder:
        openFolder(message);
        break;
    case PageCommand::none:
        break;
    }
}

void postPageMessage(const std::string& json) {
    HWND window = state.mainWindow;
    if (!window)
        return;
    wchar_t* copy = addPendingText(fromUtf8(json));
    // A window already gone takes nothing; the copy would otherwise be lost.
    if (!PostMessageW(window, kPageMessage, 0, reinterpret_cast<LPARAM>(copy)))
        takePendingText(copy);
}

void startAction(const std::wstring& action, const std::wstring& gameDir,
                 const std::wstring& extraArguments) {
    std::string refusal = startActionWith(state.actionBusy, [&] {
        auto* job = new ActionJob{action, gameDir, extraArguments};
        if (startWorkerThread([job] { runAction(job); }))
            return true;
        delete job;
        return false;
    });
    if (!refusal.empty())
        postPageMessage(refusal);
}

#include <windows.h>

#include "fetch_document.h"
#include "launcher_state.h"
#include "log.h"
#include "page_bridge.h"
#include "utf8.h"
#include "workers.h"

void runServerCheck() {
    if (state.server.empty()) {
        postPageMessage(noServerReply());
        return;
    }
    std::wstring host = fromUtf8(state.server);
    DWORD startTick = GetTickCount();
    FetchedDocument status = fetchDocument(host, fromUtf8(kStatusDocumentPath));
    FetchedDocument manifest = fetchDocument(host, fromUtf8(kManifestDocumentPath));
    DWORD elapsed = GetTickCount() - startTick;
    launcherLog("%s", serverLogLine(state.server, status, manifest, elapsed).c_str());
    postPageMessage(serverReply(elapsed, status, manifest));
}

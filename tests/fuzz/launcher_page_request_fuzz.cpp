// The launcher's decisions on any page request, over a made-up file system: whatever the
// message says, an action starts only with a served action word and a game folder of the
// allowed shape, and the script's extra arguments are the keep-hash and at most one quoted
// path that cannot break out of its quotes.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>

#include "full_path.h"
#include "fuzz_input.h"
#include "json.h"
#include "page_request.h"
#include "utf8.h"

namespace {

// Paths of even length are folders, of odd length files; "missing" anywhere is nothing. A
// game folder's package\patch_npk (18 units more) is then a folder too.
FileSystemView fakeFiles() {
    FileSystemView files;
    files.fullPath = [](const std::wstring& path) { return trimTrailingSeparators(path); };
    files.kindOf = [](const std::wstring& path) {
        if (path.find(L"missing") != std::wstring::npos)
            return PathKind::missing;
        return path.size() % 2 == 0 ? PathKind::folder : PathKind::file;
    };
    return files;
}

bool isServedAction(const std::wstring& action) {
    return action == L"install" || action == L"repair" || action == L"uninstall" ||
           action == L"rookmere";
}

// A path handed to the script: of the allowed shape, and not ending in a separator, which
// would escape the closing quote on the command line.
bool safePathArgument(const std::wstring& path) {
    return localPathShapeAllowed(path) && path.back() != L'\\' && path.back() != L'/';
}

bool startsWith(const std::wstring& text, const std::wstring& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

void checkExtraArguments(const std::wstring& action, std::wstring extra,
                         const std::string& keepSha) {
    if (!keepSha.empty()) {
        const std::wstring keep = L" -KeepSha " + fromUtf8(keepSha);
        FUZZ_CHECK(startsWith(extra, keep));
        extra = extra.substr(keep.size());
    }
    if (action != L"rookmere") {
        FUZZ_CHECK(extra.empty());
        return;
    }
    if (extra == L" -RookmereDownload")
        return;
    const bool dir = startsWith(extra, L" -RookmereDir \"");
    FUZZ_CHECK(dir || startsWith(extra, L" -RookmereZip \""));
    const std::wstring quoted = extra.substr(14);
    FUZZ_CHECK(quoted.size() >= 2 && quoted.front() == L'"' && quoted.back() == L'"');
    const std::wstring path = quoted.substr(1, quoted.size() - 2);
    FUZZ_CHECK(safePathArgument(path));
    FUZZ_CHECK(fakeFiles().kindOf(path) == (dir ? PathKind::folder : PathKind::file));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const bool gameOnCommandLine = input.ConsumeBool();
    const std::string message = input.ConsumeRemainingBytesAsString();
    const FileSystemView files = fakeFiles();

    const PageCommand command = pageCommand(message);
    const std::string cmd = jsonGetValue(message, "cmd");
    FUZZ_CHECK((command == PageCommand::none) ==
               (cmd != "hello" && cmd != "status" && cmd != "server" && cmd != "act" &&
                cmd != "play" && cmd != "pickzip" && cmd != "folder"));

    const std::string keepSha = keepShaOf(message);
    FUZZ_CHECK(keepSha.empty() || isKeepSha(keepSha));
    FUZZ_CHECK(keepSha.empty() || keepSha == jsonGetValue(message, "keepSha"));
    FUZZ_CHECK(std::all_of(keepSha.begin(), keepSha.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    }));

    const std::wstring commandLineGame = gameOnCommandLine ? L"C:\\Games\\Cindergale" : L"";
    const ActDecision act = decideAct(message, commandLineGame, files);
    switch (act.kind) {
    case ActDecision::Kind::ignore:
        FUZZ_CHECK(!isServedAction(fromUtf8(jsonGetValue(message, "action"))));
        break;
    case ActDecision::Kind::refuse:
        FUZZ_CHECK(jsonGetValue(act.reply, "type") == "done");
        FUZZ_CHECK(jsonGetValue(act.reply, "ok") == "false");
        break;
    case ActDecision::Kind::start:
        FUZZ_CHECK(isServedAction(act.action));
        FUZZ_CHECK(toUtf8(act.action) == jsonGetValue(message, "action"));
        FUZZ_CHECK(safePathArgument(act.gameDir));
        FUZZ_CHECK(files.kindOf(act.gameDir) == PathKind::folder);
        if (gameOnCommandLine)
            FUZZ_CHECK(act.gameDir == commandLineGame);
        checkExtraArguments(act.action, act.extraArguments, keepSha);
        break;
    }

    const std::optional<std::wstring> folder = folderToOpen(message, files);
    if (folder) {
        FUZZ_CHECK(safePathArgument(*folder));
        FUZZ_CHECK(files.kindOf(*folder) == PathKind::folder);
    }
    return 0;
}

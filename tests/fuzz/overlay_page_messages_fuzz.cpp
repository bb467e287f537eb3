// The overlay host's decisions on any page message, taken the way its handler takes them:
// the type, the mode, the settings file name and the game request. Only the two settings
// files are ever named in a path, a game request never carries a line break, and what the
// host sends back reads back as it was given.
#include <algorithm>

#include "fuzz_input.h"
#include "json.h"
#include "page_messages.h"
#include "utf8.h"

namespace {

const wchar_t* const kTypeNames[] = {L"ready",  L"cover", L"through", L"hide", L"mode", L"modal",
                                     L"region", L"load",  L"save",    L"game", L"log"};

std::wstring asciiLowered(std::wstring text) {
    for (wchar_t& unit : text)
        if (unit >= L'A' && unit <= L'Z')
            unit = unit - L'A' + L'a';
    return text;
}

bool commandShapeFits(const std::string& command) {
    return !command.empty() && command.size() <= 39 &&
           std::all_of(command.begin(), command.end(),
                       [](char c) { return (c >= 'a' && c <= 'z') || c == '_'; });
}

void checkType(const std::wstring& type) {
    const bool known =
        std::find_if(std::begin(kTypeNames), std::end(kTypeNames),
                     [&](const wchar_t* name) { return type == name; }) != std::end(kTypeNames);
    FUZZ_CHECK(known == (pageMessageType(type) != PageMessage::none));
}

void checkFile(const std::wstring& name, const std::wstring& text) {
    if (!allowedPageFile(name))
        return;
    const std::wstring lowered = asciiLowered(name);
    FUZZ_CHECK(lowered == L"vyr_pad.json" || lowered == L"vyr_overlay.json");
    FUZZ_CHECK(pageFilePath(L"C:\\Docs", name) == L"C:\\Docs\\" + name);
    // The page's file answer carries the text back unchanged.
    FUZZ_CHECK(jsonField(fileMessage(name, true, text), L"text") == text);
    FUZZ_CHECK(jsonField(savedMessage(name, false), L"ok") == L"false");
}

void checkGameRequest(const std::string& command, const std::string& argument) {
    const std::optional<std::string> request = gameRequestText(command, argument);
    const bool fits = commandShapeFits(command) && argument.size() < 200 &&
                      argument.find_first_of("\r\n") == std::string::npos;
    FUZZ_CHECK(request.has_value() == fits);
    if (!request)
        return;
    FUZZ_CHECK(request->find_first_of("\r\n") == std::string::npos);
    FUZZ_CHECK(request->compare(0, 5 + command.size(), "game " + command) == 0);
    FUZZ_CHECK(request->size() < 5 + 39 + 1 + 200);
}

void checkShow(const std::wstring& pad) {
    const std::wstring message = showMessage(pad);
    FUZZ_CHECK(jsonField(message, L"type") == L"show");
    FUZZ_CHECK(jsonField(message, L"pad") == pad);
    if (pad != L"-") // "-" is how a show without a pad is kept
        FUZZ_CHECK(padOfPendingShow(pendingShowFor(pad)) == pad);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring message = utf16Units(data, size);

    checkType(jsonField(message, L"type"));
    const int mode = modeFromPage(jsonField(message, L"mode"));
    FUZZ_CHECK(mode >= 0 && mode <= 2);
    const std::wstring on = jsonField(message, L"on");
    FUZZ_CHECK(isTrue(on) == (on == L"true"));

    checkFile(jsonField(message, L"file"), jsonField(message, L"text"));
    checkGameRequest(toUtf8(jsonField(message, L"cmd")), toUtf8(jsonField(message, L"arg")));
    checkShow(jsonField(message, L"pad"));
    // The whole message as a name and as a pad as well, for texts the lookup never yields.
    checkFile(message, message);
    checkShow(message);
    return 0;
}

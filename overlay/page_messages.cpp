#include "page_messages.h"

#include "json.h"

const wchar_t* const kVirtualHost = L"vyr-overlay.example";

namespace {

std::wstring originPrefix() {
    return std::wstring(L"https://") + kVirtualHost + L"/";
}

struct TypeName {
    const wchar_t* type;
    PageMessage message;
};

// Looked up in this order; the first match wins.
constexpr TypeName kTypes[] = {
    {L"ready", PageMessage::ready},     {L"cover", PageMessage::cover},
    {L"through", PageMessage::through}, {L"hide", PageMessage::hide},
    {L"mode", PageMessage::mode},       {L"modal", PageMessage::modal},
    {L"region", PageMessage::region},   {L"load", PageMessage::load},
    {L"save", PageMessage::save},       {L"game", PageMessage::game},
    {L"log", PageMessage::log},
};

wchar_t asciiLower(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? c - L'A' + L'a' : c;
}

// Case-insensitive as the C library compares in its default locale: ASCII letters only.
bool equalsIgnoringCase(const std::wstring& a, const wchar_t* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    return i == a.size() && !b[i];
}

} // namespace

std::wstring startPageUrl() {
    return originPrefix() + L"index.html";
}

bool messageFromOwnOrigin(const std::wstring& source) {
    std::wstring prefix = originPrefix();
    return source.compare(0, prefix.size(), prefix) == 0;
}

const wchar_t* const kCloseMessage = L"{\"type\":\"close\"}";
const wchar_t* const kHostMessage = L"{\"type\":\"host\",\"through\":true,\"hit\":true}";

PageMessage pageMessageType(const std::wstring& type) {
    for (const TypeName& entry : kTypes)
        if (type == entry.type)
            return entry.message;
    return PageMessage::none;
}

int modeFromPage(const std::wstring& value) {
    if (value == L"active")
        return 2;
    if (value == L"passive")
        return 1;
    return 0;
}

std::wstring showMessage(const std::wstring& pad) {
    if (pad.empty())
        return L"{\"type\":\"show\"}";
    return L"{\"type\":\"show\",\"pad\":\"" + jsonEscape(pad) + L"\"}";
}

std::wstring pendingShowFor(const std::wstring& pad) {
    return pad.empty() ? L"-" : pad;
}

std::wstring padOfPendingShow(const std::wstring& pendingShow) {
    return pendingShow == L"-" ? std::wstring() : pendingShow;
}

std::wstring noteMessage(const std::wstring& note) {
    return L"{\"type\":\"note\",\"note\":" + note + L"}";
}

std::wstring fileMessage(const std::wstring& name, bool ok, const std::wstring& text) {
    return L"{\"type\":\"file\",\"name\":\"" + jsonEscape(name) + L"\",\"ok\":" +
           (ok ? L"true" : L"false") + L",\"text\":\"" + jsonEscape(text) + L"\"}";
}

std::wstring savedMessage(const std::wstring& name, bool ok) {
    return L"{\"type\":\"saved\",\"name\":\"" + jsonEscape(name) + L"\",\"ok\":" +
           (ok ? L"true" : L"false") + L"}";
}

bool allowedPageFile(const std::wstring& name) {
    return equalsIgnoringCase(name, L"vyr_pad.json") ||
           equalsIgnoringCase(name, L"vyr_overlay.json");
}

std::wstring pageFilePath(const std::wstring& docDir, const std::wstring& name) {
    return docDir + L"\\" + name;
}

std::optional<std::string> gameRequestText(const std::string& command,
                                           const std::string& argument) {
    if (command.empty() || command.size() > 39 || argument.size() >= 200)
        return std::nullopt;
    for (char c : command)
        if (!((c >= 'a' && c <= 'z') || c == '_'))
            return std::nullopt;
    if (argument.find_first_of("\r\n") != std::string::npos)
        return std::nullopt;
    return argument.empty() ? "game " + command : "game " + command + " " + argument;
}

bool keepForPage(std::vector<std::wstring>& kept, const std::wstring& message) {
    if (kept.size() >= kKeptForPageLimit)
        return false;
    kept.push_back(message);
    return true;
}

std::string firstDroppedLine() {
    return "the page is away and " + std::to_string(kKeptForPageLimit) +
           " messages wait for it - further ones are dropped";
}

std::string droppedCountLine(std::size_t dropped) {
    return std::to_string(dropped) + " messages for the page were dropped while it was away";
}

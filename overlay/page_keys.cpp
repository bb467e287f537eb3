#include "page_keys.h"

#include "json.h"

namespace {

wchar_t asciiUpper(wchar_t c) {
    return c >= L'a' && c <= L'z' ? c - L'a' + L'A' : c;
}

std::wstring upper(std::wstring text) {
    for (wchar_t& c : text)
        c = asciiUpper(c);
    return text;
}

std::wstring trimmed(const std::wstring& text) {
    const size_t first = text.find_first_not_of(L" \t\r\n");
    if (first == std::wstring::npos)
        return std::wstring();
    return text.substr(first, text.find_last_not_of(L" \t\r\n") - first + 1);
}

} // namespace

unsigned virtualKeyFromName(const std::wstring& name) {
    const std::wstring key = upper(trimmed(name));
    if (key.size() == 1 &&
        ((key[0] >= L'A' && key[0] <= L'Z') || (key[0] >= L'0' && key[0] <= L'9')))
        return key[0];
    if (key.size() < 2 || key.size() > 3 || key[0] != L'F')
        return 0;
    unsigned number = 0;
    for (size_t i = 1; i < key.size(); ++i) {
        if (key[i] < L'0' || key[i] > L'9')
            return 0;
        number = number * 10 + (key[i] - L'0');
    }
    return number >= 1 && number <= 24 ? 0x70 + number - 1 : 0;
}

std::wstring iniValue(const std::wstring& text, const std::wstring& section,
                      const std::wstring& name) {
    bool inSection = false;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos)
            end = text.size();
        const std::wstring line = trimmed(text.substr(start, end - start));
        start = end + 1;
        if (!line.empty() && line[0] == L'[') {
            inSection = upper(line) == L"[" + upper(section) + L"]";
            continue;
        }
        const size_t equals = line.find(L'=');
        if (inSection && line[0] != L';' && equals != std::wstring::npos &&
            upper(trimmed(line.substr(0, equals))) == upper(name))
            return trimmed(line.substr(equals + 1));
    }
    return std::wstring();
}

unsigned toggleKeyFrom(const std::wstring& pageSettings, const std::wstring& gameKeys) {
    if (unsigned key = virtualKeyFromName(jsonField(pageSettings, L"toggleKey")))
        return key;
    if (unsigned key = virtualKeyFromName(iniValue(gameKeys, L"keys", L"toggle")))
        return key;
    return kDefaultToggleKey;
}

std::wstring gameKeysPath(const std::wstring& docDir) {
    return docDir + L"\\..\\config\\vyr_overlay.ini";
}

bool closesOverlay(int kind, unsigned virtualKey, bool repeat, unsigned toggleKey) {
    return kind == 0 && !repeat && (virtualKey == kEscapeKey || virtualKey == toggleKey);
}

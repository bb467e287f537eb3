#include "page_rules.h"

const wchar_t* const kVirtualHost = L"launcher.vyr.example";

namespace {

std::wstring originPrefix() {
    return std::wstring(L"https://") + kVirtualHost + L"/";
}

} // namespace

bool navigationAllowed(const std::wstring& uri) {
    std::wstring prefix = originPrefix();
    return uri.compare(0, prefix.size(), prefix) == 0;
}

bool messageFromOwnOrigin(const std::wstring& source) {
    return navigationAllowed(source);
}

std::wstring startPageUrl(bool devMode, const std::wstring& pageQuery) {
    std::wstring url = originPrefix() + L"index.html";
    if (devMode && !pageQuery.empty())
        url += L"?" + pageQuery;
    return url;
}

PageSettings pageSettingsFor(bool devMode) {
    PageSettings settings;
    settings.contextMenus = devMode;
    settings.devTools = devMode;
    settings.acceleratorKeys = devMode;
    return settings;
}

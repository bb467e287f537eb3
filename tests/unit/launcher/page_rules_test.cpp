#include <gtest/gtest.h>

#include "page_rules.h"

namespace {

TEST(PageRules, VirtualHostIsUnderAReservedDomain) {
    std::wstring host = kVirtualHost;
    EXPECT_EQ(host.substr(host.size() - 8), L".example");
}

TEST(PageRules, NavigationStaysOnTheOwnOrigin) {
    std::wstring origin = std::wstring(L"https://") + kVirtualHost;
    EXPECT_TRUE(navigationAllowed(origin + L"/index.html"));
    EXPECT_TRUE(navigationAllowed(origin + L"/"));
    EXPECT_TRUE(navigationAllowed(origin + L"/a/b.html?x=1#y"));
    EXPECT_FALSE(navigationAllowed(origin));
    EXPECT_FALSE(navigationAllowed(origin + L".evil.com/"));
    EXPECT_FALSE(navigationAllowed(origin + L":8443/"));
    EXPECT_FALSE(navigationAllowed(origin + L"@evil.com/"));
    EXPECT_FALSE(navigationAllowed(std::wstring(L"http://") + kVirtualHost + L"/index.html"));
    EXPECT_FALSE(navigationAllowed(std::wstring(L"HTTPS://") + kVirtualHost + L"/index.html"));
    EXPECT_FALSE(navigationAllowed(L"https://www.example.com/"));
    EXPECT_FALSE(navigationAllowed(L"file:///C:/Windows/"));
    EXPECT_FALSE(navigationAllowed(L"about:blank"));
    EXPECT_FALSE(navigationAllowed(L""));
}

TEST(PageRules, WebMessagesCountOnlyFromOurOrigin) {
    std::wstring origin = std::wstring(L"https://") + kVirtualHost;
    EXPECT_TRUE(messageFromOwnOrigin(origin + L"/index.html?x=1"));
    EXPECT_FALSE(messageFromOwnOrigin(origin + L".evil.test/index.html"));
    EXPECT_FALSE(messageFromOwnOrigin(std::wstring(L"http://") + kVirtualHost + L"/"));
    EXPECT_FALSE(messageFromOwnOrigin(L"https://LAUNCHER.vyr.example/index.html"));
    EXPECT_FALSE(messageFromOwnOrigin(L""));
}

TEST(PageRules, StartPageTakesTheQueryOnlyInDevMode) {
    std::wstring start = std::wstring(L"https://") + kVirtualHost + L"/index.html";
    EXPECT_EQ(startPageUrl(false, L""), start);
    EXPECT_EQ(startPageUrl(false, L"x=1"), start);
    EXPECT_EQ(startPageUrl(true, L""), start);
    EXPECT_EQ(startPageUrl(true, L"x=1"), start + L"?x=1");
    EXPECT_EQ(startPageUrl(true, L"a=1&b=c d"), start + L"?a=1&b=c d");
    EXPECT_TRUE(navigationAllowed(startPageUrl(true, L"x=1")));
}

TEST(PageRules, SettingsFollowDevMode) {
    PageSettings player = pageSettingsFor(false);
    EXPECT_FALSE(player.contextMenus);
    EXPECT_FALSE(player.devTools);
    EXPECT_FALSE(player.acceleratorKeys);
    EXPECT_FALSE(player.statusBar);
    EXPECT_FALSE(player.zoomControl);
    PageSettings dev = pageSettingsFor(true);
    EXPECT_TRUE(dev.contextMenus);
    EXPECT_TRUE(dev.devTools);
    EXPECT_TRUE(dev.acceleratorKeys);
    EXPECT_FALSE(dev.statusBar);
    EXPECT_FALSE(dev.zoomControl);
}

} // namespace

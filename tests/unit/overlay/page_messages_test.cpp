#include <gtest/gtest.h>

#include "page_messages.h"

namespace {

TEST(PageMessages, TypesAreExactAndCaseSensitive) {
    EXPECT_EQ(pageMessageType(L"ready"), PageMessage::ready);
    EXPECT_EQ(pageMessageType(L"log"), PageMessage::log);
    EXPECT_EQ(pageMessageType(L"region"), PageMessage::region);
    EXPECT_EQ(pageMessageType(L"Ready"), PageMessage::none);
    EXPECT_EQ(pageMessageType(L"ready "), PageMessage::none);
    EXPECT_EQ(pageMessageType(L""), PageMessage::none);
}

TEST(PageMessages, ModeAndFlagsTakeOnlyTheExactWords) {
    EXPECT_EQ(modeFromPage(L"active"), 2);
    EXPECT_EQ(modeFromPage(L"passive"), 1);
    EXPECT_EQ(modeFromPage(L"Active"), 0);
    EXPECT_EQ(modeFromPage(L""), 0);
    EXPECT_TRUE(isTrue(L"true"));
    EXPECT_FALSE(isTrue(L"True"));
    EXPECT_FALSE(isTrue(L"1"));
    EXPECT_FALSE(isTrue(L"\"true\""));
}

TEST(PageMessages, ShowWithAndWithoutPad) {
    EXPECT_EQ(showMessage(L""), L"{\"type\":\"show\"}");
    EXPECT_EQ(showMessage(L"ab cd"), L"{\"type\":\"show\",\"pad\":\"ab cd\"}");
    EXPECT_EQ(showMessage(L"say \"hi\"\\"), L"{\"type\":\"show\",\"pad\":\"say \\\"hi\\\"\\\\\"}");
    // Kept until ready: a dash stands for no pad, so a pad that is a dash shows without one.
    EXPECT_EQ(pendingShowFor(L""), L"-");
    EXPECT_EQ(pendingShowFor(L"a"), L"a");
    EXPECT_EQ(padOfPendingShow(L"-"), L"");
    EXPECT_EQ(padOfPendingShow(pendingShowFor(L"-")), L"");
    EXPECT_EQ(padOfPendingShow(L"b"), L"b");
}

TEST(PageMessages, FixedAndBuiltTexts) {
    EXPECT_EQ(std::wstring(kHostMessage).size(), 41u);
    EXPECT_EQ(std::wstring(kHostMessage), L"{\"type\":\"host\",\"through\":true,\"hit\":true}");
    EXPECT_EQ(std::wstring(kCloseMessage), L"{\"type\":\"close\"}");
    EXPECT_EQ(noteMessage(L"\"hi\""), L"{\"type\":\"note\",\"note\":\"hi\"}");
    EXPECT_EQ(noteMessage(L"{\"a\":1}"), L"{\"type\":\"note\",\"note\":{\"a\":1}}");
    EXPECT_EQ(fileMessage(L"VYR_PAD.JSON", true, L"{\"k\":\"v\"}\n"),
              L"{\"type\":\"file\",\"name\":\"VYR_PAD.JSON\",\"ok\":true,\"text\":"
              L"\"{\\\"k\\\":\\\"v\\\"}\\n\"}");
    EXPECT_EQ(fileMessage(L"x.json", false, L""),
              L"{\"type\":\"file\",\"name\":\"x.json\",\"ok\":false,\"text\":\"\"}");
    EXPECT_EQ(savedMessage(L"vyr_overlay.json", true),
              L"{\"type\":\"saved\",\"name\":\"vyr_overlay.json\",\"ok\":true}");
    EXPECT_EQ(savedMessage(L"a\"b", false),
              L"{\"type\":\"saved\",\"name\":\"a\\\"b\",\"ok\":false}");
}

TEST(PageMessages, OnlyTheTwoSettingsFilesInAnyCase) {
    for (const wchar_t* name :
         {L"vyr_pad.json", L"VYR_PAD.JSON", L"Vyr_Overlay.Json", L"vyr_overlay.json"})
        EXPECT_TRUE(allowedPageFile(name)) << name;
    for (const wchar_t* name :
         {L"x.json", L"", L"vyr_pad.json ", L"..\\vyr_pad.json", L"sub\\vyr_pad.json",
          L"C:\\vyr_pad.json", L"vyr_pad.json\\", L"vyr_pad", L"vyr_pad.jsonx", L"vyr_pad.json.tmp",
          L"/vyr_pad.json", L"vyr_pad.json:alt"})
        EXPECT_FALSE(allowedPageFile(name)) << name;
    // Only ASCII letters fold: a look-alike with a dotless or Kelvin sign is refused.
    EXPECT_FALSE(allowedPageFile(L"vyr_pad.\x0131son"));
    EXPECT_EQ(pageFilePath(L"C:\\g\\..\\package\\Documents", L"VYR_PAD.JSON"),
              L"C:\\g\\..\\package\\Documents\\VYR_PAD.JSON");
}

TEST(PageMessages, GameRequestChecks) {
    EXPECT_EQ(gameRequestText("open_map", "north gate"), "game open_map north gate");
    EXPECT_EQ(gameRequestText("ping", ""), "game ping");
    EXPECT_EQ(gameRequestText(std::string(39, 'a'), ""), "game " + std::string(39, 'a'));
    EXPECT_EQ(gameRequestText("a", std::string(199, 'x')), "game a " + std::string(199, 'x'));
    for (const std::string& command :
         {std::string("OpenMap"), std::string("map2"), std::string(40, 'a'), std::string(""),
          std::string("open map"), std::string("open-map"), std::string("\xc3\xa9t\xc3\xa9")})
        EXPECT_FALSE(gameRequestText(command, "").has_value()) << command;
    EXPECT_FALSE(gameRequestText("a", std::string(200, 'x')).has_value());
    EXPECT_FALSE(gameRequestText("a", "line\nbreak").has_value());
    EXPECT_FALSE(gameRequestText("a", "carriage\r").has_value());
    // UTF-8 counts in bytes: 100 two-byte letters are 200 bytes.
    std::string twoByte;
    for (int i = 0; i < 100; ++i)
        twoByte += "\xc3\xa9";
    EXPECT_FALSE(gameRequestText("a", twoByte).has_value());
}

TEST(PageMessages, KeptMessagesAreCapped) {
    std::vector<std::wstring> kept(kKeptForPageLimit - 1, L"{}");
    EXPECT_TRUE(keepForPage(kept, L"last"));
    EXPECT_FALSE(keepForPage(kept, L"dropped"));
    EXPECT_EQ(kept.size(), kKeptForPageLimit);
    EXPECT_EQ(kept.back(), L"last");
    EXPECT_EQ(droppedCountLine(3), "3 messages for the page were dropped while it was away");
}

} // namespace

TEST(PageMessages, OnlyOurOwnOriginMaySpeak) {
    std::wstring origin = std::wstring(L"https://") + kVirtualHost;
    EXPECT_EQ(startPageUrl(), origin + L"/index.html");
    EXPECT_TRUE(messageFromOwnOrigin(startPageUrl()));
    EXPECT_TRUE(messageFromOwnOrigin(origin + L"/"));
    EXPECT_TRUE(messageFromOwnOrigin(origin + L"/sub/page.html?x=1#y"));
    for (const std::wstring& source :
         {origin, origin + L".evil.test/", origin + L":8443/", origin + L"@evil.test/",
          std::wstring(L"http://") + kVirtualHost + L"/index.html",
          std::wstring(L"HTTPS://") + kVirtualHost + L"/index.html",
          std::wstring(L"https://VYR-overlay.example/index.html"),
          std::wstring(L"https://www.example.com/"), std::wstring(L"file:///C:/page.html"),
          std::wstring(L"about:blank"), std::wstring()})
        EXPECT_FALSE(messageFromOwnOrigin(source)) << std::string(source.begin(), source.end());
}

#include <gtest/gtest.h>

#include "page_keys.h"

namespace {

TEST(PageKeys, NamesOfTheKitsFiles) {
    EXPECT_EQ(virtualKeyFromName(L"F9"), 0x78u);
    EXPECT_EQ(virtualKeyFromName(L" f1 "), 0x70u);
    EXPECT_EQ(virtualKeyFromName(L"F24"), 0x87u);
    EXPECT_EQ(virtualKeyFromName(L"m"), static_cast<unsigned>('M'));
    for (const wchar_t* bad : {L"", L"F0", L"F25", L"F9x", L"Esc", L"-"})
        EXPECT_EQ(virtualKeyFromName(bad), 0u) << bad;
}

TEST(PageKeys, ThePagesSettingBeforeTheGameSidesThenF9) {
    const std::wstring ini = L"; keys\r\n[overlay]\r\ntoggle = F2\r\n[Keys]\r\n Toggle = F7 \r\n";
    EXPECT_EQ(iniValue(ini, L"keys", L"toggle"), L"F7");
    EXPECT_EQ(toggleKeyFrom(L"{\"scale\":100,\"toggleKey\":\"F6\"}", ini), 0x75u);
    EXPECT_EQ(toggleKeyFrom(L"{\"toggleKey\":\"nonsense\"}", ini), 0x76u);
    EXPECT_EQ(toggleKeyFrom(L"", L"[keys]\nmap = F10\n"), kDefaultToggleKey);
    EXPECT_EQ(gameKeysPath(L"C:\\g\\package\\Documents"),
              L"C:\\g\\package\\Documents\\..\\config\\vyr_overlay.ini");
}

TEST(PageKeys, OnlyAFirstPressOfEscOrTheToggleKeyCloses) {
    EXPECT_TRUE(closesOverlay(0, kEscapeKey, false, 0x78));
    EXPECT_TRUE(closesOverlay(0, 0x78, false, 0x78));
    EXPECT_FALSE(closesOverlay(0, 0x78, true, 0x78));        // held down
    EXPECT_FALSE(closesOverlay(1, kEscapeKey, false, 0x78)); // released
    EXPECT_FALSE(closesOverlay(2, 0x78, false, 0x78));       // with Alt
    EXPECT_FALSE(closesOverlay(0, 0x74, false, 0x78));       // F5
}

} // namespace

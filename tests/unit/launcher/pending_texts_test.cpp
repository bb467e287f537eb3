#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "pending_texts.h"

namespace {

TEST(PendingTexts, EachCopyComesBackOnceAndStrangersNever) {
    wchar_t* copy = addPendingText(L"{\"type\":\"hello\"}");
    EXPECT_EQ(std::wstring(copy), L"{\"type\":\"hello\"}");
    std::unique_ptr<std::wstring> back = takePendingText(copy);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(*back, L"{\"type\":\"hello\"}");
    EXPECT_EQ(back->c_str(), copy); // the characters handed out are the ones taken back
    EXPECT_EQ(takePendingText(copy), nullptr);

    wchar_t stranger[] = L"not ours";
    EXPECT_EQ(takePendingText(stranger), nullptr);
    EXPECT_EQ(takePendingText(nullptr), nullptr);
    EXPECT_EQ(takePendingText(reinterpret_cast<const void*>(0x1234)), nullptr);

    wchar_t* empty = addPendingText(L"");
    EXPECT_EQ(empty[0], L'\0');
    EXPECT_NE(takePendingText(empty), nullptr);
}

TEST(PendingTexts, ManyThreadsAddWhileOneTakes) {
    std::vector<std::thread> workers;
    std::vector<std::vector<wchar_t*>> made(4);
    for (int w = 0; w < 4; ++w)
        workers.emplace_back([w, &made] {
            for (int i = 0; i < 200; ++i)
                made[w].push_back(addPendingText(std::to_wstring(w * 1000 + i)));
        });
    for (std::thread& t : workers)
        t.join();
    for (int w = 0; w < 4; ++w)
        for (int i = 0; i < 200; ++i) {
            std::unique_ptr<std::wstring> text = takePendingText(made[w][i]);
            ASSERT_NE(text, nullptr);
            EXPECT_EQ(*text, std::to_wstring(w * 1000 + i));
        }
}

} // namespace

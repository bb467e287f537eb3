#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "page_file_store.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

// Files beside the test program's working folder, one name per test.
std::wstring scratch(const char* name) {
    std::string n = std::string("page_file_store_") + name;
    return std::wstring(n.begin(), n.end());
}

std::string narrow(const std::wstring& w) {
    return std::string(w.begin(), w.end());
}

void removeFiles(const std::wstring& path) {
    std::remove(narrow(path).c_str());
    std::remove(narrow(path + L".tmp").c_str());
}

TEST(PageFileStore, MissingFileIsNotOkAndEmptyFileIsOk) {
    std::wstring path = scratch("empty.json");
    removeFiles(path);
    std::string bytes = "left over";
    EXPECT_FALSE(loadPageFile(path, bytes));
    EXPECT_TRUE(bytes.empty());

    ASSERT_TRUE(savePageFile(path, ""));
    EXPECT_TRUE(loadPageFile(path, bytes));
    EXPECT_TRUE(bytes.empty());
    removeFiles(path);
}

TEST(PageFileStore, BytesComeBackUnchangedAndReplaceTheOldContent) {
    std::wstring path = scratch("pad.json");
    removeFiles(path);
    std::string first = "{\"a\":\"quote \\\" backslash \\\\ caf\xc3\xa9 \xf0\x9f\x8e\xae\"}\r\n";
    ASSERT_TRUE(savePageFile(path, first));
    std::string bytes;
    ASSERT_TRUE(loadPageFile(path, bytes));
    EXPECT_EQ(bytes, first);

    std::string big(200000, 'x');
    big[0] = '\0';
    big[199999] = '\x1a'; // would end a text-mode read early
    ASSERT_TRUE(savePageFile(path, big));
    ASSERT_TRUE(loadPageFile(path, bytes));
    EXPECT_EQ(bytes, big);
    removeFiles(path);
}

TEST(PageFileStore, SaveIntoAMissingFolderFails) {
    std::string bytes;
    EXPECT_FALSE(savePageFile(L"no_such_folder_here/vyr_pad.json", "x"));
    EXPECT_FALSE(loadPageFile(L"no_such_folder_here/vyr_pad.json", bytes));
}

#ifndef _WIN32
TEST(PageFileStore, FullDiskKeepsTheOldFile) {
    std::wstring path = scratch("full.json");
    removeFiles(path);
    ASSERT_TRUE(savePageFile(path, "good old content"));
    // The temporary file lands on a full device: the write or the close fails.
    ASSERT_EQ(symlink("/dev/full", narrow(path + L".tmp").c_str()), 0);
    EXPECT_FALSE(savePageFile(path, std::string(100000, 'n')));
    std::string bytes;
    ASSERT_TRUE(loadPageFile(path, bytes));
    EXPECT_EQ(bytes, "good old content");
    removeFiles(path);
}
#endif

} // namespace

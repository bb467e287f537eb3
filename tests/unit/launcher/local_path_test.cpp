#include <gtest/gtest.h>

#include "local_path.h"

namespace {

PathKind fakeDisk(const std::wstring& path) {
    if (path == L"C:\\Games" || path == L"C:\\" || path == L"\\\\server\\share")
        return PathKind::folder;
    if (path == L"C:\\kit.zip" || path == L"kit.zip")
        return PathKind::file;
    return PathKind::missing;
}

TEST(CheckLocalPath, FolderOrFileMustStandThere) {
    EXPECT_TRUE(checkLocalPath(L"C:\\Games", true, fakeDisk));
    EXPECT_FALSE(checkLocalPath(L"C:\\Games", false, fakeDisk));
    EXPECT_TRUE(checkLocalPath(L"C:\\kit.zip", false, fakeDisk));
    EXPECT_FALSE(checkLocalPath(L"C:\\kit.zip", true, fakeDisk));
    EXPECT_FALSE(checkLocalPath(L"C:\\Nothing", true, fakeDisk));
    EXPECT_FALSE(checkLocalPath(L"C:\\Nothing", false, fakeDisk));
}

TEST(CheckLocalPath, UncRelativeAndQuotedPathsAreRefusedUnasked) {
    bool asked = false;
    auto spy = [&](const std::wstring& path) {
        asked = true;
        return fakeDisk(path);
    };
    EXPECT_FALSE(checkLocalPath(L"\\\\server\\share", true, spy));
    EXPECT_FALSE(checkLocalPath(L"kit.zip", false, spy));
    EXPECT_FALSE(checkLocalPath(L"Games\\x", true, spy));
    EXPECT_FALSE(checkLocalPath(L"C:\\Ga\"mes", true, spy));
    EXPECT_FALSE(checkLocalPath(L"\"C:\\Games\"", true, spy));
    EXPECT_FALSE(checkLocalPath(L"", true, spy));
    // Win32 would stop at the NUL and look at C:\Games instead.
    EXPECT_FALSE(checkLocalPath(std::wstring(L"C:\\Games\0x", 10), true, spy));
    EXPECT_FALSE(asked);
}

TEST(CheckLocalPath, LengthsFromFourToAThousandUnits) {
    EXPECT_FALSE(localPathShapeAllowed(L"C:\\"));
    EXPECT_TRUE(localPathShapeAllowed(L"C:\\a"));
    EXPECT_FALSE(checkLocalPath(L"C:\\", true, fakeDisk));
    std::wstring longest = L"C:\\" + std::wstring(997, L'a');
    EXPECT_TRUE(localPathShapeAllowed(longest));
    EXPECT_FALSE(localPathShapeAllowed(longest + L"a"));
    EXPECT_TRUE(localPathShapeAllowed(L"C:ab"));
    EXPECT_FALSE(localPathShapeAllowed(L"\\\\?\\C:\\x"));
}

} // namespace

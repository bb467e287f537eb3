#include <gtest/gtest.h>

#include <cstdio>

#include "text_file.h"

namespace {

// A temporary file holding the bytes, rewound for reading.
std::FILE* fileWith(const std::string& bytes) {
    std::FILE* file = std::tmpfile();
    if (file) {
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::rewind(file);
    }
    return file;
}

std::string read(const std::string& bytes, size_t limit) {
    std::FILE* file = fileWith(bytes);
    EXPECT_NE(file, nullptr);
    std::string text = readTextStream(file, limit);
    if (file)
        std::fclose(file);
    return text;
}

TEST(ReadTextFile, ByteOrderMarkIsDropped) {
    EXPECT_EQ(read("\xEF\xBB\xBF{\"server\":\"x\"}", 0x100000), "{\"server\":\"x\"}");
    EXPECT_EQ(read("{\"server\":\"x\"}", 0x100000), "{\"server\":\"x\"}");
    EXPECT_EQ(read("\xEF\xBB\xBF", 0x100000), "");
    // Not longer than 2 bytes: nothing to drop.
    EXPECT_EQ(read("\xEF\xBB", 0x100000), "\xEF\xBB");
    // Only at the start.
    EXPECT_EQ(read("a\xEF\xBB\xBF", 0x100000), "a\xEF\xBB\xBF");
    // Only one mark.
    EXPECT_EQ(read("\xEF\xBB\xBF\xEF\xBB\xBF", 0x100000), "\xEF\xBB\xBF");
}

TEST(ReadTextFile, EmptyAndBinaryFilesComeBackWhole) {
    EXPECT_EQ(read("", 0x100000), "");
    std::string binary("\0\x01\xFF\r\n\x1A", 6);
    EXPECT_EQ(read(binary, 0x100000), binary);
    EXPECT_EQ(readTextStream(nullptr, 0x100000), "");
}

TEST(ReadTextFile, CutAtAWholeNumberOfBlocks) {
    std::string big(3 * kTextReadBlock + 123, 'x');
    EXPECT_EQ(read(big, 2 * kTextReadBlock).size(), 2 * kTextReadBlock);
    EXPECT_EQ(read(big, 16 * kTextReadBlock).size(), big.size());
    EXPECT_EQ(read(std::string(kTextReadBlock, 'y'), kTextReadBlock).size(), kTextReadBlock);
    // A cut file with a mark loses the mark as well.
    EXPECT_EQ(read("\xEF\xBB\xBF" + big, kTextReadBlock).size(), kTextReadBlock - 3);
}

} // namespace

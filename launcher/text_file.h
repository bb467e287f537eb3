#pragma once
#include <cstdio>
#include <string>

// Bytes of an open file read in 64 KiB blocks while fewer than limit bytes are held (so a
// limit that is a whole number of blocks cuts exactly there), without a leading UTF-8 byte
// order mark.
std::string readTextStream(std::FILE* file, size_t limit);

std::string dropByteOrderMark(std::string text);

constexpr size_t kTextReadBlock = 0x10000;

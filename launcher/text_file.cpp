#include "text_file.h"

#include <vector>

std::string readTextStream(std::FILE* file, size_t limit) {
    std::string text;
    if (!file)
        return text;
    std::vector<char> block(kTextReadBlock);
    while (text.size() < limit) {
        size_t got = std::fread(block.data(), 1, block.size(), file);
        if (got == 0)
            break;
        text.append(block.data(), got);
    }
    return dropByteOrderMark(std::move(text));
}

std::string dropByteOrderMark(std::string text) {
    if (text.size() > 2 && text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        text.erase(0, 3);
    return text;
}

#include "log_tail.h"

std::uint64_t logBytesToRead(LogTail& tail, std::uint64_t lastWrite, std::uint64_t size) {
    if (!tail.fresh) {
        if (lastWrite < tail.started)
            return 0;
        tail.fresh = true;
    }
    if (size < tail.offset) {
        tail.offset = 0;
        tail.pending.clear();
    }
    if (size <= tail.offset)
        return 0;
    return size - tail.offset;
}

std::vector<std::string> takeLogBytes(LogTail& tail, std::string_view bytes) {
    tail.offset += bytes.size();
    tail.pending.append(bytes);
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end = tail.pending.find('\n'); end != std::string::npos;
         end = tail.pending.find('\n', start)) {
        size_t length = end - start;
        if (length > 0 && tail.pending[end - 1] == '\r')
            --length;
        lines.emplace_back(tail.pending, start, length);
        start = end + 1;
    }
    tail.pending.erase(0, start);
    return lines;
}

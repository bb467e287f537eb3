#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Following the script's progress log while it runs: only a log written since the action
// started counts, only its new bytes are read, and only complete lines are handed on.
struct LogTail {
    std::uint64_t started = 0; // the action's start, as a file time
    std::uint64_t offset = 0;  // bytes of the log already taken
    bool fresh = false;        // the log has been written during this run
    std::string pending;       // bytes after the last line feed
};

// How many bytes to read from offset, given the log's last-write time and size now; 0 when
// there is nothing new or the log is still the one of an earlier run. A log that shrank was
// started again: it is read from its beginning and an unfinished line of before is dropped.
std::uint64_t logBytesToRead(LogTail& tail, std::uint64_t lastWrite, std::uint64_t size);

// Takes bytes read at offset; returns the lines completed by them, each without its line feed
// and without one carriage return before it.
std::vector<std::string> takeLogBytes(LogTail& tail, std::string_view bytes);

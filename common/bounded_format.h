#pragma once
#include <cstdarg>
#include <cstddef>

// printf into a fixed buffer: the text is cut to the buffer and always terminated.
// Returns the length written (never more than size - 1).
size_t boundedFormat(char* buffer, size_t size, const char* format, ...);
size_t boundedFormatV(char* buffer, size_t size, const char* format, va_list args);

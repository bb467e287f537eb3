#include "bounded_format.h"

#include <cstdio>
#include <cstring>

size_t boundedFormatV(char* buffer, size_t size, const char* format, va_list args) {
    if (size == 0)
        return 0;
    int written = std::vsnprintf(buffer, size, format, args);
    if (written < 0) {
        buffer[0] = '\0'; // an encoding error leaves nothing usable
        return 0;
    }
    return static_cast<size_t>(written) < size ? static_cast<size_t>(written) : size - 1;
}

size_t boundedFormat(char* buffer, size_t size, const char* format, ...) {
    va_list args;
    va_start(args, format);
    size_t length = boundedFormatV(buffer, size, format, args);
    va_end(args);
    return length;
}

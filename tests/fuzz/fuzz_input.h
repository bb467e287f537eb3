#pragma once
// Helpers shared by the fuzz targets: raw input bytes read as the texts the programs handle.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

// The input as UTF-16 units, two bytes each, little-endian; an odd last byte is dropped.
inline std::wstring utf16Units(const std::uint8_t* data, std::size_t size) {
    std::wstring text;
    text.reserve(size / 2);
    for (std::size_t i = 0; i + 1 < size; i += 2)
        text += static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
    return text;
}

// The input as bytes.
inline std::string byteText(const std::uint8_t* data, std::size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

// A broken property: say which and stop, so libFuzzer keeps the input as a crash.
[[noreturn]] inline void propertyBroken(const char* what) {
    std::fprintf(stderr, "property broken: %s\n", what);
    std::fflush(stderr);
    std::abort();
}

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition))                                                                          \
            propertyBroken(#condition);                                                            \
    } while (0)

#pragma once
#include <string>

// Unit count of the buffer the system fills with an absolute path.
constexpr unsigned long kFullPathBuffer = 520;

// fullPath's rule after the system call: the input unchanged when the call failed (0) or
// the buffer was too small, then trailing separators removed while the text is longer than
// three units, so a drive root such as C:\ keeps its own.
std::wstring fullPathResult(const std::wstring& input, const wchar_t* buffer,
                            unsigned long returned);

std::wstring trimTrailingSeparators(std::wstring path);

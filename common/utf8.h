#pragma once
#include <string>

// Both programs' codec: UTF-16 inside, UTF-8 in files, datagrams, log lines and JSON texts.
// Ill-formed input (lone surrogates, broken or overlong sequences) becomes U+FFFD by the
// Windows rules, in the Linux build too; nothing is reported.
std::string toUtf8(const std::wstring& text);
std::wstring fromUtf8(const std::string& text);

#pragma once
#include <string>

// UTF-16 inside the program, UTF-8 in files, datagrams and log lines.
std::string toUtf8(const std::wstring& text);
std::wstring fromUtf8(const std::string& text);

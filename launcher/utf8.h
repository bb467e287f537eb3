#pragma once
#include <string>

// UTF-16 inside the launcher, UTF-8 in files, log lines and JSON texts.
std::string toUtf8(const std::wstring& text);
std::wstring fromUtf8(const std::string& text);

#pragma once
#include <string>
#include <string_view>

// Flat JSON as the launcher reads and writes it: one key looked up at a time in the text,
// replies glued from fixed fragments and quoted strings. All texts are UTF-8.

// The value of the first member named key anywhere in the text (nesting and strings are not
// understood): a string with its escapes undone, "true" or "false"; empty text otherwise.
std::string jsonGetValue(const std::string& text, const std::string& key);

// A JSON string literal, quotes included; bytes from 0x20 up pass unchanged.
std::string jsonQuote(const std::string& utf8);
// The same literal appended to `out`, so that a long text is quoted straight into its message.
void appendJsonQuoted(std::string& out, std::string_view utf8);
std::string jsonQuoteWide(const std::wstring& utf16);

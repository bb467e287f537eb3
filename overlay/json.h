#pragma once
#include <string>

// Flat JSON as the page and the host exchange it: no document model. Messages are written
// from fixed fragments and escaped strings, and read one key at a time from the raw text.
// Neither function reports an error; malformed input gives an empty or partial result.

// Escapes text for use between double quotes (the quotes are not added). Each UTF-16 unit
// is handled on its own: surrogates, 0x7F, '/' and all non-ASCII units pass unchanged.
std::wstring jsonEscape(const std::wstring& text);

// The value of `key` in `message`, found by a plain search for "key" (quotes included)
// that knows nothing of nesting or string contents: the first occurrence wins, even one
// inside a string value, and the value is whatever follows the next ':'.
// A string value comes back unescaped (an unterminated one runs to the end of the
// message); any other value comes back as its raw text, an object or array whole, with
// trailing white space dropped. Empty when the key or its value is missing.
std::wstring jsonField(const std::wstring& message, const std::wstring& key);

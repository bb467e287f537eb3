#pragma once
#include <string>

// What the page bridge hands to the action worker; the worker owns and frees it.
struct ActionJob {
    std::wstring action;
    std::wstring gameDir;
    std::wstring extraArguments;
};

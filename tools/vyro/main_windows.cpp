#include <windows.h>

#include <string>
#include <vector>

#include "vyro_run.h"

namespace {

std::string toUtf8(const wchar_t* text) {
    int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 1)
        return std::string();
    std::string out(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), length, nullptr, nullptr);
    out.pop_back(); // the terminator
    return out;
}

} // namespace

// The arguments arrive as UTF-16 and leave as UTF-8 datagrams; the console shows UTF-8 too.
int wmain(int argc, wchar_t** argv) {
    SetConsoleOutputCP(CP_UTF8);
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(toUtf8(argv[i]));
    return runVyro(args);
}

// The stand-in game for the end-to-end tests: top-level windows of a class and title given on
// the command line, each with a child that can hold the keyboard focus, driven over loopback
// UDP and recording the window messages the overlay's behaviour shows in.
//   standin_game.exe --port N [--class C] [--title T] [--hidden] [--count N]
//                    [--rect X,Y,W,H] [--focus-child] [--refuse-layout-requests]
//                    [--dpi unaware|system]
#include "game_state.h"

#include <shellapi.h>

#include <cstdlib>
#include <cwchar>
#include <string>

#include "command_channel.h"
#include "game_windows.h"

GameState game;

namespace {

struct Options {
    int port = 0;
    std::wstring className = L"Win32Window";
    std::wstring title = L"Cindergale";
    bool hidden = false;
    int count = 1;
    RECT outer{100, 100, 100 + 640, 100 + 480};
    DPI_AWARENESS_CONTEXT dpi = nullptr; // the thread's own unless given
};

RECT parseRect(const wchar_t* text) {
    long values[4] = {};
    for (long& value : values) {
        wchar_t* end = nullptr;
        value = std::wcstol(text, &end, 10);
        text = *end == L',' ? end + 1 : end;
    }
    return {values[0], values[1], values[0] + values[2], values[1] + values[3]};
}

bool parseOptions(Options& options) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv)
        return false;
    bool valid = true;
    for (int i = 1; i < argc; ++i) {
        std::wstring name = argv[i];
        const wchar_t* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (name == L"--hidden")
            options.hidden = true;
        else if (name == L"--focus-child")
            game.focusChild = true;
        else if (name == L"--refuse-layout-requests")
            game.honourLayoutRequests = false;
        else if (!value)
            valid = false;
        else if (++i, name == L"--port")
            options.port = static_cast<int>(std::wcstol(value, nullptr, 10));
        else if (name == L"--class")
            options.className = value;
        else if (name == L"--title")
            options.title = value;
        else if (name == L"--count")
            options.count = static_cast<int>(std::wcstol(value, nullptr, 10));
        else if (name == L"--rect")
            options.outer = parseRect(value);
        else if (name == L"--dpi")
            options.dpi = std::wstring(value) == L"system" ? DPI_AWARENESS_CONTEXT_SYSTEM_AWARE
                                                           : DPI_AWARENESS_CONTEXT_UNAWARE;
        else
            valid = false;
    }
    LocalFree(argv);
    return valid && options.port > 0 && options.port < 65536 && options.count > 0;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    Options options;
    if (!parseOptions(options) || !openChannel(options.port))
        return 2;
    // A window gets the awareness of the thread that makes it, as a game's manifest gives it.
    if (options.dpi)
        SetThreadDpiAwarenessContext(options.dpi);
    for (int i = 0; i < options.count; ++i) {
        // Later windows step down and right so that none hides another completely.
        RECT outer = options.outer;
        OffsetRect(&outer, 30 * i, 30 * i);
        if (createGameWindow(options.className, options.title, outer, options.hidden) < 0)
            return 3;
    }
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    closeChannel();
    return static_cast<int>(message.wParam);
}

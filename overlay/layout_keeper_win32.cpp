// The keyboard layout keeper on the host window's tick: sample the game thread's layout,
// decide, ask the game for the played layout back, and note everything.
#include "layout_keeper.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "../common/bounded_format.h"
#include "command_line.h"
#include "log.h"
#include "overlay_state.h"
#include "utf8.h"

LayoutKeeper layoutKeeper;

namespace {

// The test hook's file, read once: empty when the real layout is sampled.
const std::wstring& testLayoutFile() {
    static const std::wstring path = [] {
        wchar_t value[MAX_PATH] = {};
        DWORD length = GetEnvironmentVariableW(L"VYR_KEYS_TEST_LAYOUT", value, MAX_PATH);
        return std::wstring(length > 0 && length < MAX_PATH ? value : L"");
    }();
    return path;
}

LayoutHandle layoutFromTestFile(const std::wstring& path) {
    char text[32] = {};
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file)
        return 0;
    size_t length = std::fread(text, 1, sizeof text - 1, file);
    std::fclose(file);
    text[length] = '\0';
    return std::strtoull(text, nullptr, 16);
}

LayoutHandle sampleLayout() {
    DWORD thread = GetWindowThreadProcessId(state.gameWindow, nullptr);
    if (!testLayoutFile().empty())
        return thread ? layoutFromTestFile(testLayoutFile()) : 0;
    if (thread == 0)
        return 0;
    return reinterpret_cast<LayoutHandle>(GetKeyboardLayout(thread));
}

HKL asHandle(LayoutHandle layout) {
    return reinterpret_cast<HKL>(static_cast<uintptr_t>(layout));
}

std::string nameOf(LayoutHandle layout) {
    return layoutName(asHandle(layout));
}

bool askForPlayedLayout(HWND target) {
    return PostMessageW(target, WM_INPUTLANGCHANGEREQUEST, 0,
                        static_cast<LPARAM>(layoutKeeper.playedLayout)) != FALSE;
}

// The second ask goes where the game's keys go: its focus window, else its active window.
HWND secondAskTarget() {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    DWORD thread = GetWindowThreadProcessId(state.gameWindow, nullptr);
    if (thread && GetGUIThreadInfo(thread, &info)) {
        if (info.hwndFocus)
            return info.hwndFocus;
        if (info.hwndActive)
            return info.hwndActive;
    }
    return state.gameWindow;
}

void act(LayoutResult result, LayoutHandle layout) {
    if (result == LayoutResult::none)
        return;
    LayoutNoteFacts facts;
    facts.layout = nameOf(layout);
    facts.played = nameOf(layoutKeeper.playedLayout);
    if (layoutKeeper.previousLayout != 0)
        facts.previous = nameOf(layoutKeeper.previousLayout);
    facts.keepLayout = keepLayout;
    if (result == LayoutResult::firstAsk && keepLayout)
        facts.refused = !askForPlayedLayout(state.gameWindow);
    if (result == LayoutResult::secondAsk) {
        HWND target = secondAskTarget();
        facts.target = static_cast<void*>(target);
        if (keepLayout)
            facts.refused = !askForPlayedLayout(target);
    }
    keysNote("%s", layoutNote(result, facts).c_str());
}

} // namespace

std::string layoutName(HKL layout) {
    LayoutHandle handle = reinterpret_cast<LayoutHandle>(layout);
    wchar_t locale[LOCALE_NAME_MAX_LENGTH] = {};
    LCID language = MAKELCID(LOWORD(handle), SORT_DEFAULT);
    bool named = handle != 0 && LCIDToLocaleName(language, locale, LOCALE_NAME_MAX_LENGTH, 0) > 0;
    return layoutNameText(handle, named ? toUtf8(locale) : std::string());
}

void keysNote(const char* format, ...) {
    char note[1024];
    va_list args;
    va_start(args, format);
    boundedFormatV(note, sizeof note, format, args);
    va_end(args);
    logLine("keys: %s", note);
    if (FILE* file = _wfopen(keysFilePath(state.docDir).c_str(), L"ab")) {
        std::fprintf(file, "%s\n", note);
        std::fclose(file);
    }
}

void layoutKeeperTick() {
    if (!state.gameWindow || !IsWindow(state.gameWindow))
        return;
    LayoutHandle layout = sampleLayout();
    act(layoutDecide(layoutKeeper, GetTickCount(), state.gameAway, layout), layout);
}

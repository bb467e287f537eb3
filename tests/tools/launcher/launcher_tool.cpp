// A console tool the launcher's end-to-end tests run inside Wine to look at and work the
// launcher's windows and dialogs from the Windows side. Output is UTF-8.
//   launcher_tool windows CLASS          one line per top-level window of that class
//   launcher_tool minimize CLASS         minimises every such window
//   launcher_tool close CLASS PID        posts WM_CLOSE to that process's windows of the class
//   launcher_tool dialog TITLE           the texts of each dialog box with that title, escaped
//   launcher_tool press-ok TITLE         presses OK on each dialog box with that title
//   launcher_tool press-cancel TITLE     presses Cancel on each dialog box with that title
//   launcher_tool resize CLASS W H       gives every such window that outer size
//   launcher_tool post CLASS MSG LPARAM  posts a message (numbers in hex) to every such window
//   launcher_tool resources EXE          the program file's manifest and icon group 1
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

std::string utf8(const std::wstring& text) {
    if (text.empty())
        return {};
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                   0, nullptr, nullptr);
    std::string out(size > 0 ? size : 0, '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(),
                            size, nullptr, nullptr);
    return out;
}

// One line per text: backslashes doubled, line breaks written as \n and \r.
std::string escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

std::wstring textOf(HWND window) {
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    return text;
}

std::wstring classOf(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

struct Search {
    std::wstring className;
    const wchar_t* title = nullptr;
    std::vector<HWND> found;
};

BOOL CALLBACK collect(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    if (classOf(window) == search->className && (!search->title || textOf(window) == search->title))
        search->found.push_back(window);
    return TRUE;
}

std::vector<HWND> topLevel(const std::wstring& className, const wchar_t* title = nullptr) {
    Search search{className, title, {}};
    EnumWindows(collect, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

DWORD processOf(HWND window) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    return pid;
}

int windows(const wchar_t* className) {
    std::vector<HWND> found = topLevel(className);
    HWND foreground = GetForegroundWindow();
    for (HWND window : found) {
        RECT r{};
        GetWindowRect(window, &r);
        RECT c{};
        GetClientRect(window, &c);
        MINMAXINFO limits{};
        SendMessageW(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
        std::printf("pid=%lu visible=%d iconic=%d foreground=%d rect=%ld,%ld,%ld,%ld "
                    "client=%ld,%ld mintrack=%ld,%ld title=%s\n",
                    processOf(window), IsWindowVisible(window) ? 1 : 0, IsIconic(window) ? 1 : 0,
                    window == foreground ? 1 : 0, r.left, r.top, r.right - r.left, r.bottom - r.top,
                    c.right, c.bottom, limits.ptMinTrackSize.x, limits.ptMinTrackSize.y,
                    utf8(textOf(window)).c_str());
    }
    return found.empty() ? 1 : 0;
}

int minimize(const wchar_t* className) {
    std::vector<HWND> found = topLevel(className);
    for (HWND window : found)
        ShowWindow(window, SW_MINIMIZE);
    return found.empty() ? 1 : 0;
}

int close(const wchar_t* className, DWORD pid) {
    int closed = 0;
    for (HWND window : topLevel(className))
        if (processOf(window) == pid && PostMessageW(window, WM_CLOSE, 0, 0))
            ++closed;
    return closed > 0 ? 0 : 1;
}

BOOL CALLBACK printStatic(HWND child, LPARAM) {
    if (classOf(child) == L"Static") {
        std::wstring text = textOf(child);
        if (!text.empty())
            std::printf("text=%s\n", escaped(utf8(text)).c_str());
    }
    return TRUE;
}

int dialog(const wchar_t* title) {
    std::vector<HWND> found = topLevel(L"#32770", title);
    for (HWND window : found) {
        std::printf("pid=%lu owner=%p\n", processOf(window),
                    static_cast<void*>(GetWindow(window, GW_OWNER)));
        EnumChildWindows(window, printStatic, 0);
    }
    return found.empty() ? 1 : 0;
}

int press(const wchar_t* title, int button) {
    std::vector<HWND> found = topLevel(L"#32770", title);
    for (HWND window : found)
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    return found.empty() ? 1 : 0;
}

int resize(const wchar_t* className, int width, int height) {
    std::vector<HWND> found = topLevel(className);
    for (HWND window : found)
        SetWindowPos(window, nullptr, 0, 0, width, height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return found.empty() ? 1 : 0;
}

int resources(const wchar_t* path) {
    HMODULE module =
        LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!module)
        return 2;
    if (HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), RT_MANIFEST)) {
        auto* bytes = static_cast<const char*>(LockResource(LoadResource(module, found)));
        std::printf("manifest=%.*s\n", static_cast<int>(SizeofResource(module, found)), bytes);
    }
    if (HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), RT_GROUP_ICON)) {
        auto* bytes = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
        DWORD size = SizeofResource(module, found);
        // GRPICONDIR: reserved, type, count; then 14-byte entries.
        int count = size >= 6 ? bytes[4] | (bytes[5] << 8) : 0;
        for (int i = 0; i < count && 6u + (i + 1) * 14u <= size; ++i) {
            const BYTE* entry = bytes + 6 + i * 14;
            int width = entry[0] ? entry[0] : 256;
            int height = entry[1] ? entry[1] : 256;
            int bits = entry[6] | (entry[7] << 8);
            std::printf("icon=%dx%d bits=%d\n", width, height, bits);
        }
    }
    FreeLibrary(module);
    return 0;
}

int post(const wchar_t* className, UINT message, LPARAM lParam) {
    int posted = 0;
    for (HWND window : topLevel(className))
        if (PostMessageW(window, message, 0, lParam))
            ++posted;
    return posted > 0 ? 0 : 1;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"windows" && argc >= 3)
        return windows(argv[2]);
    if (command == L"minimize" && argc >= 3)
        return minimize(argv[2]);
    if (command == L"close" && argc >= 4)
        return close(argv[2], static_cast<DWORD>(std::wcstoul(argv[3], nullptr, 10)));
    if (command == L"dialog" && argc >= 3)
        return dialog(argv[2]);
    if (command == L"press-ok" && argc >= 3)
        return press(argv[2], IDOK);
    if (command == L"press-cancel" && argc >= 3)
        return press(argv[2], IDCANCEL);
    if (command == L"resize" && argc >= 5)
        return resize(argv[2], std::wcstol(argv[3], nullptr, 10),
                      std::wcstol(argv[4], nullptr, 10));
    if (command == L"post" && argc >= 5)
        return post(argv[2], static_cast<UINT>(std::wcstoul(argv[3], nullptr, 16)),
                    static_cast<LPARAM>(std::wcstoull(argv[4], nullptr, 16)));
    if (command == L"resources" && argc >= 3)
        return resources(argv[2]);
    std::fprintf(stderr,
                 "usage: launcher_tool windows|minimize CLASS | close CLASS PID | "
                 "dialog|press-ok|press-cancel TITLE | resize CLASS W H | post CLASS MSG LPARAM | "
                 "resources EXE\n");
    return 2;
}

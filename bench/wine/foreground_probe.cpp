// Names the window in front, for the CPU windows of the Wine benchmarks: one line
// "<handle> <pid> <image> class '<class>' title '<title>'" in UTF-8, or "none". A console
// program: it opens no window of its own, so asking does not move the foreground.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string utf8(const wchar_t* text) {
    int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size : 1, '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
    out.resize(out.size() - 1);
    return out;
}

std::string imageName(DWORD processId) {
    wchar_t path[MAX_PATH] = L"?";
    if (HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId)) {
        DWORD size = MAX_PATH;
        if (!QueryFullProcessImageNameW(process, 0, path, &size))
            path[0] = L'?', path[1] = L'\0';
        CloseHandle(process);
    }
    const wchar_t* name = path;
    for (const wchar_t* c = path; *c; ++c)
        if (*c == L'\\' || *c == L'/')
            name = c + 1;
    return utf8(name);
}

} // namespace

int wmain() {
    HWND window = GetForegroundWindow();
    if (!window) {
        std::printf("none\n");
        return 0;
    }
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    wchar_t className[128] = {};
    wchar_t title[128] = {};
    GetClassNameW(window, className, 128);
    GetWindowTextW(window, title, 128);
    std::printf("%p %lu %s class '%s' title '%s'\n", static_cast<void*>(window),
                static_cast<unsigned long>(processId), imageName(processId).c_str(),
                utf8(className).c_str(), utf8(title).c_str());
    return 0;
}

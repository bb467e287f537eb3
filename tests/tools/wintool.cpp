// A small console tool the end-to-end tests run inside Wine to look at and poke the
// programs' windows from the Windows side.
//   wintool find CLASS [TITLE]      list top-level windows of that class (and title)
//   wintool watch CLASS MS          wait up to MS ms for such a window; "seen" or "never"
//   wintool postquit PID            post WM_QUIT to every thread of process PID
//   wintool info HWND               parent, owner, styles, screen and client rectangles
//   wintool post HWND MSG [W [L]]   post a message to a window (numbers in decimal or 0x hex)
//   wintool region HWND             the window region's rectangles, or "none"
#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdint>
#include <cwchar>
#include <string>
#include <vector>

namespace {

struct Query {
    const wchar_t* className;
    const wchar_t* title; // null: any title
    int found = 0;
    bool print = true;
};

BOOL CALLBACK visit(HWND window, LPARAM param) {
    auto* query = reinterpret_cast<Query*>(param);
    wchar_t className[256] = {};
    wchar_t title[512] = {};
    GetClassNameW(window, className, 256);
    GetWindowTextW(window, title, 512);
    if (std::wcscmp(className, query->className) != 0)
        return TRUE;
    if (query->title && std::wcscmp(title, query->title) != 0)
        return TRUE;
    ++query->found;
    if (query->print) {
        DWORD pid = 0;
        DWORD tid = GetWindowThreadProcessId(window, &pid);
        RECT r{};
        GetWindowRect(window, &r);
        std::printf("hwnd=%p pid=%lu tid=%lu visible=%d rect=%ld,%ld,%ld,%ld\n",
                    static_cast<void*>(window), pid, tid, IsWindowVisible(window) ? 1 : 0, r.left,
                    r.top, r.right - r.left, r.bottom - r.top);
    }
    return TRUE;
}

int find(const wchar_t* className, const wchar_t* title) {
    Query query{className, title};
    EnumWindows(visit, reinterpret_cast<LPARAM>(&query));
    return query.found > 0 ? 0 : 1;
}

int watch(const wchar_t* className, DWORD ms) {
    DWORD start = GetTickCount();
    do {
        Query query{className, nullptr};
        query.print = false;
        EnumWindows(visit, reinterpret_cast<LPARAM>(&query));
        if (query.found > 0) {
            std::printf("seen\n");
            return 0;
        }
        Sleep(20);
    } while (GetTickCount() - start < ms);
    std::printf("never\n");
    return 1;
}

int postQuit(DWORD pid) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return 2;
    int posted = 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == pid &&
            PostThreadMessageW(entry.th32ThreadID, WM_QUIT, 0, 0))
            ++posted;
    CloseHandle(snapshot);
    std::printf("posted %d\n", posted);
    return posted > 0 ? 0 : 1;
}

HWND parseWindow(const wchar_t* text) {
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(std::wcstoull(text, nullptr, 16)));
}

unsigned long long parseNumber(const wchar_t* text) {
    return std::wcstoull(text, nullptr, 0);
}

int info(HWND window) {
    if (!IsWindow(window)) {
        std::printf("no such window\n");
        return 1;
    }
    RECT r{};
    RECT c{};
    GetWindowRect(window, &r);
    GetClientRect(window, &c);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    std::printf("hwnd=%p parent=%p owner=%p pid=%lu style=0x%08lx exstyle=0x%08lx visible=%d "
                "rect=%ld,%ld,%ld,%ld client=%ld,%ld origin=%ld,%ld\n",
                static_cast<void*>(window), static_cast<void*>(GetParent(window)),
                static_cast<void*>(GetWindow(window, GW_OWNER)), pid,
                static_cast<unsigned long>(GetWindowLongPtrW(window, GWL_STYLE)),
                static_cast<unsigned long>(GetWindowLongPtrW(window, GWL_EXSTYLE)),
                IsWindowVisible(window) ? 1 : 0, r.left, r.top, r.right - r.left, r.bottom - r.top,
                c.right, c.bottom, origin.x, origin.y);
    return 0;
}

int post(HWND window, const wchar_t* message, const wchar_t* wParam, const wchar_t* lParam) {
    BOOL ok = PostMessageW(window, static_cast<UINT>(parseNumber(message)),
                           static_cast<WPARAM>(wParam ? parseNumber(wParam) : 0),
                           static_cast<LPARAM>(lParam ? parseNumber(lParam) : 0));
    std::printf(ok ? "posted\n" : "failed\n");
    return ok ? 0 : 1;
}

int region(HWND window) {
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    int kind = GetWindowRgn(window, region);
    if (kind == ERROR) {
        std::printf("none\n");
    } else {
        DWORD size = GetRegionData(region, 0, nullptr);
        std::vector<char> buffer(size);
        auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
        if (size && GetRegionData(region, size, data)) {
            const RECT* rects = reinterpret_cast<const RECT*>(data->Buffer);
            std::printf("rects=%lu", data->rdh.nCount);
            for (DWORD i = 0; i < data->rdh.nCount; ++i)
                std::printf(" %ld,%ld,%ld,%ld", rects[i].left, rects[i].top, rects[i].right,
                            rects[i].bottom);
            std::printf("\n");
        }
    }
    DeleteObject(region);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"find" && argc >= 3)
        return find(argv[2], argc >= 4 ? argv[3] : nullptr);
    if (command == L"watch" && argc >= 4)
        return watch(argv[2], static_cast<DWORD>(std::wcstoul(argv[3], nullptr, 10)));
    if (command == L"postquit" && argc >= 3)
        return postQuit(static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)));
    if (command == L"info" && argc >= 3)
        return info(parseWindow(argv[2]));
    if (command == L"region" && argc >= 3)
        return region(parseWindow(argv[2]));
    if (command == L"post" && argc >= 4)
        return post(parseWindow(argv[2]), argv[3], argc >= 5 ? argv[4] : nullptr,
                    argc >= 6 ? argv[5] : nullptr);
    std::fprintf(stderr,
                 "usage: wintool find CLASS [TITLE] | watch CLASS MS | postquit PID | info HWND | "
                 "post HWND MSG [W [L]] | region HWND\n");
    return 2;
}

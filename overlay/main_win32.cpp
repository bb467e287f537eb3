// Entry point of overlay_host: start-up, the message loop and shut-down.
#include "overlay_state.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <vector>

#include "command_line.h"
#include "dpi_awareness.h"
#include "host_window.h"
#include "log.h"
#include "page_bridge.h"
#include "page_host.h"
#include "port_wait.h"
#include "startup_text.h"
#include "user_folder.h"
#include "utf8.h"

namespace {

// --show: ask for the overlay once the page host has started.
bool showAtStart = false;

// Looked up at run time: Windows 8 and 8.1 lack the call.
void becomePerMonitorDpiAware() {
    using SetContext = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT);
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    auto setContext = user32 ? reinterpret_cast<SetContext>(reinterpret_cast<void*>(
                                   GetProcAddress(user32, "SetProcessDpiAwarenessContext")))
                             : nullptr;
    if (setContext)
        setContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
}

// The program's path read whole, however long: a cut path would put every default elsewhere.
std::wstring moduleFolder() {
    std::wstring path(260, L'\0');
    for (;;) {
        DWORD size = static_cast<DWORD>(path.size());
        DWORD read = GetModuleFileNameW(nullptr, path.data(), size);
        unsigned next = nextModulePathSize(size, read);
        if (next == 0) {
            path.resize(read < size ? read : size);
            return programFolder(path);
        }
        path.resize(next);
    }
}

// Whether a file can be made in the folder: made and deleted at once.
bool canWriteIn(const std::wstring& folder) {
    HANDLE file =
        CreateFileW((folder + L"\\vyr_write_probe.tmp").c_str(), GENERIC_WRITE, 0, nullptr,
                    CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

bool isFolder(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool makeFolder(const std::wstring& path) {
    return CreateDirectoryW(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

// The overlay's folder under the user's local application data, made if need be; empty when
// there is none.
std::wstring makeUserFolder(bool withDocuments) {
    PWSTR localAppData = nullptr;
    std::wstring folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &localAppData)))
        folder = userOverlayFolder(localAppData);
    CoTaskMemFree(localAppData);
    if (folder.empty() || !makeFolder(programFolder(folder)) || !makeFolder(folder) ||
        (withDocuments && !makeFolder(userDocumentsFolder(folder))))
        return {};
    return folder;
}

// Defaults in a game folder that cannot be written (a game under Program Files) go to the
// player's own folder instead; the start line says where.
UserFolderPlan moveUnwritableDefaults(OverlayOptions& options) {
    FolderFacts facts;
    if (!options.logGiven)
        facts.programDirWritable = canWriteIn(state.exeDir);
    if (!options.docGiven) {
        facts.docDirExists = isFolder(options.docDir);
        facts.docDirWritable = !facts.docDirExists || canWriteIn(options.docDir);
    }
    UserFolderPlan plan = userFolderPlan(options, facts);
    if (!plan.any())
        return plan;
    std::wstring folder = makeUserFolder(plan.doc);
    if (folder.empty())
        return UserFolderPlan{};
    moveToUserFolder(options, plan, folder);
    return plan;
}

// Returns where the defaults went when the game folder cannot be written.
UserFolderPlan applyCommandLine() {
    OverlayOptions options = defaultOverlayOptions(state.exeDir);
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv) {
        std::vector<std::wstring> args(argv + (argc > 0 ? 1 : 0), argv + argc);
        parseCommandLine(options, args);
        LocalFree(argv);
    }
    UserFolderPlan moved = moveUnwritableDefaults(options);
    state.childMode = options.childMode;
    state.webDir = options.webDir;
    state.docDir = options.docDir;
    state.logPath = options.logPath;
    state.port = options.port;
    state.gameTitle = options.gameTitle;
    state.gameClass = options.gameClass;
    state.dataDir = options.dataDir;
    showAtStart = options.show;
    return moved;
}

void emptyFile(const std::wstring& path, const wchar_t* mode) {
    if (FILE* file = _wfopen(path.c_str(), mode))
        std::fclose(file);
}

bool bindLoopback() {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
    address.sin_port = htons(static_cast<u_short>(state.port & 0xFFFF));
    return bind(state.udpSocket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

// Binds the UDP port, waiting while another overlay still holds it. False: give up.
bool bindPort() {
    int failedBinds = 0;
    while (!bindLoopback()) {
        PortWaitStep step = portWaitStep(++failedBinds, state.port);
        for (const std::string& line : step.lines)
            logLine("%s", line.c_str());
        if (step.giveUp)
            return false;
        Sleep(kPortWaitPauseMs);
    }
    if (failedBinds > 0)
        logLine("%s", portFreeLine(state.port, failedBinds).c_str());
    return true;
}

void createHostWindow(HINSTANCE instance) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = hostWindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = CreateSolidBrush(RGB(11, 11, 24));
    windowClass.lpszClassName = L"VYROverlayHost";
    RegisterClassW(&windowClass);

    // A window keeps the awareness it was made with: a child host takes the game's now, when
    // the game is already there, so that it can become the game's child (mixed-mode DPI).
    DpiMode under = DpiMode::unknown;
    if (state.childMode) {
        DpiMode game = windowDpiMode(findGameWindow());
        DpiMode thread = threadDpiMode();
        under = hostCreationMode(true, game, thread);
        if (under != DpiMode::unknown)
            logLine("%s", dpiCreationLine(game, thread).c_str());
    }
    DPI_AWARENESS_CONTEXT previous = enterThreadDpi(under);
    DWORD exStyle = state.childMode ? 0 : WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW;
    state.hostWindow =
        CreateWindowExW(exStyle, L"VYROverlayHost", L"VYR overlay", WS_POPUP | WS_CLIPCHILDREN, 0,
                        0, 100, 100, nullptr, nullptr, instance, nullptr);
    restoreThreadDpi(previous);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    becomePerMonitorDpiAware();
    state.exeDir = moduleFolder();
    UserFolderPlan moved = applyCommandLine();

    emptyFile(state.logPath, L"w");
    logLine("%s%s", startLine(GetCurrentProcessId(), state.childMode, toUtf8(state.webDir)).c_str(),
            userFolderNote(moved, toUtf8(state.logPath), toUtf8(state.docDir)).c_str());

    WSADATA wsaData;
    WSAStartup(0x0202, &wsaData);
    state.udpSocket = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (!bindPort())
        return 0; // nothing else is set up yet

    emptyFile(keysFilePath(state.docDir), L"wb");
    keepLayout =
        GetFileAttributesW(optOutMarkerPath(state.exeDir).c_str()) == INVALID_FILE_ATTRIBUTES;
    if (!keepLayout)
        logLine("%s", kKeysOptOutLine);

    int receiveBuffer = 4 * 1024 * 1024;
    setsockopt(state.udpSocket, SOL_SOCKET, SO_RCVBUF,
               reinterpret_cast<const char*>(&receiveBuffer), sizeof receiveBuffer);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

    createHostWindow(instance);
    WSAAsyncSelect(state.udpSocket, state.hostWindow, kSocketMessage, FD_READ);
    state.startTick = GetTickCount();
    SetTimer(state.hostWindow, kTickTimer, kTickPeriodMs, nullptr);
    SendMessageW(state.hostWindow, WM_TIMER, kTickTimer, 0);
    showCoverOverGame(); // the first tick may already have found the game

    startPageHost();
    if (showAtStart)
        requestShow(L"");

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }

    logLine("%s", exitLine(state.exitReason).c_str());
    if (state.controller)
        state.controller->Close();
    closesocket(state.udpSocket);
    WSACleanup();
    CoUninitialize();
    return 0;
}

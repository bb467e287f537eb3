// The stand-in Windows PowerShell of the end-to-end tests; see README.md.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "invocation.h"
#include "plan.h"
#include "pwsh_link.h"

namespace {

// The runner's port from <control>\pwsh.txt; 0 when the file is absent or holds no port.
unsigned short runnerPort(const std::wstring& controlDir) {
    unsigned long port = 0;
    if (FILE* file = _wfopen((controlDir + L"\\pwsh.txt").c_str(), L"rb")) {
        char text[32] = {};
        size_t got = std::fread(text, 1, sizeof(text) - 1, file);
        std::fclose(file);
        text[got] = '\0';
        port = std::strtoul(text, nullptr, 10);
    }
    return port > 0 && port < 65536 ? static_cast<unsigned short>(port) : 0;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    Invocation invocation = currentInvocation();
    std::wstring controlDir = parameter(invocation, L"-Kit") + L"\\standin";
    recordInvocation(invocation, controlDir + L"\\calls.jsonl");
    if (unsigned short port = runnerPort(controlDir))
        ExitProcess(static_cast<UINT>(runInLinuxPowerShell(invocation, port)));
    std::wstring action = parameter(invocation, L"-Action");
    int code = runPlan(controlDir + L"\\plan-" + action + L".txt", controlDir,
                       parameter(invocation, L"-RunDir"));
    ExitProcess(static_cast<UINT>(code));
}

// The stand-in Windows PowerShell of the end-to-end tests; see README.md.
#include <windows.h>

#include "invocation.h"
#include "plan.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    Invocation invocation = currentInvocation();
    std::wstring controlDir = parameter(invocation, L"-Kit") + L"\\standin";
    recordInvocation(invocation, controlDir + L"\\calls.jsonl");
    std::wstring action = parameter(invocation, L"-Action");
    int code = runPlan(controlDir + L"\\plan-" + action + L".txt", controlDir,
                       parameter(invocation, L"-RunDir"));
    ExitProcess(static_cast<UINT>(code));
}

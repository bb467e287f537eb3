#include "single_instance.h"

#include "launcher_window.h"

InstanceClaim claimSingleInstance(bool sandbox) {
    InstanceClaim claim;
    claim.mutex = CreateMutexW(nullptr, TRUE, L"Local\\VYRFerrowakeLauncher");
    if (GetLastError() != ERROR_ALREADY_EXISTS || sandbox)
        return claim;
    claim.anotherRuns = true;
    if (HWND running = FindWindowW(kLauncherClass, nullptr)) {
        ShowWindow(running, SW_RESTORE);
        SetForegroundWindow(running);
    }
    return claim;
}

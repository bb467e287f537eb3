#pragma once
// What a test asks of the stand-in before the program starts, from environment variables
// (Wine hands the Linux environment to the program):
//   VYR_WV2_RECORD                the record file (a Windows path)
//   VYR_WV2_NO_RUNTIME            1: no runtime is installed; the creating call itself
//                                 returns HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)
//   VYR_WV2_CREATE_RESULT         HRESULT that CreateCoreWebView2EnvironmentWithOptions returns
//   VYR_WV2_ENVIRONMENT_RESULT    HRESULT handed to the environment-completed handler
//   VYR_WV2_ENVIRONMENT_DELAY_MS  delay before that handler runs
//   VYR_WV2_CONTROLLER_RESULT     HRESULT handed to the controller-completed handler
//   VYR_WV2_CONTROLLER_DELAY_MS   delay before that handler runs
//   VYR_WV2_BROWSER_PID           browser process id to report instead of starting one
//   VYR_WV2_RASTERIZATION_SCALE   the monitor's scale (its DPI / 96) in place of the one
//                                 Wine reports, for the controller's scale at creation
// HRESULTs are written in hexadecimal ("0x80004005") or decimal.
#include <windows.h>

#include <string>

struct StandinConfig {
    std::wstring recordPath;
    bool noRuntime = false;
    HRESULT createResult = S_OK;
    HRESULT environmentResult = S_OK;
    UINT environmentDelayMs = 0;
    HRESULT controllerResult = S_OK;
    UINT controllerDelayMs = 0;
    DWORD browserPid = 0;          // 0: start the stand-in browser beside this DLL
    double rasterizationScale = 0; // 0: the monitor's own
};

// Read once, on first use.
const StandinConfig& standinConfig();

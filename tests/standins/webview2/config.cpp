#include "config.h"

#include <cstdlib>
#include <cwchar>

namespace {

std::wstring variable(const wchar_t* name) {
    wchar_t value[2048];
    const DWORD length = GetEnvironmentVariableW(name, value, 2048);
    return length > 0 && length < 2048 ? std::wstring(value, length) : std::wstring();
}

unsigned long number(const wchar_t* name, unsigned long fallback) {
    const std::wstring text = variable(name);
    if (text.empty())
        return fallback;
    wchar_t* end = nullptr;
    const unsigned long value = std::wcstoul(text.c_str(), &end, 0);
    return end && *end == L'\0' ? value : fallback;
}

StandinConfig readConfig() {
    StandinConfig config;
    config.recordPath = variable(L"VYR_WV2_RECORD");
    config.noRuntime = variable(L"VYR_WV2_NO_RUNTIME") == L"1";
    config.createResult = static_cast<HRESULT>(number(L"VYR_WV2_CREATE_RESULT", S_OK));
    config.environmentResult = static_cast<HRESULT>(number(L"VYR_WV2_ENVIRONMENT_RESULT", S_OK));
    config.environmentDelayMs = number(L"VYR_WV2_ENVIRONMENT_DELAY_MS", 0);
    config.controllerResult = static_cast<HRESULT>(number(L"VYR_WV2_CONTROLLER_RESULT", S_OK));
    config.controllerDelayMs = number(L"VYR_WV2_CONTROLLER_DELAY_MS", 0);
    config.browserPid = number(L"VYR_WV2_BROWSER_PID", 0);
    const std::wstring scale = variable(L"VYR_WV2_RASTERIZATION_SCALE");
    if (!scale.empty()) {
        wchar_t* end = nullptr;
        const double value = std::wcstod(scale.c_str(), &end);
        if (end && *end == L'\0' && value > 0)
            config.rasterizationScale = value;
    }
    return config;
}

} // namespace

const StandinConfig& standinConfig() {
    static const StandinConfig config = readConfig();
    return config;
}

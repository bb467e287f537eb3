// The loader's one entry point the programs import. Nothing completes inside this call:
// the environment arrives later through the calling thread's message loop.
#include "browser_process.h"
#include "commands.h"
#include "config.h"
#include "dispatch.h"
#include "environment.h"

namespace {

std::string optionText(HRESULT (STDMETHODCALLTYPE ICoreWebView2EnvironmentOptions::*get)(LPWSTR*),
                       ICoreWebView2EnvironmentOptions* options) {
    LPWSTR value = nullptr;
    if (FAILED((options->*get)(&value)))
        return jsonUtf8("(failed)");
    std::string json = jsonText(value);
    CoTaskMemFree(value);
    return json;
}

std::string optionJson(BOOL value) {
    return jsonBool(value);
}

template <typename Enumeration> std::string optionJson(Enumeration value) {
    return jsonInt(static_cast<long long>(value));
}

template <typename Interface, typename Value>
void addOption(std::string& json, IUnknown* options, const IID& iid, const char* name,
               HRESULT (STDMETHODCALLTYPE Interface::*get)(Value*)) {
    ComPtr<Interface> version;
    if (FAILED(options->QueryInterface(iid, reinterpret_cast<void**>(version.GetAddressOf()))))
        return;
    Value value{};
    if (FAILED((version.Get()->*get)(&value)))
        return;
    json += std::string(",\"") + name + "\":" + optionJson(value);
}

// Every value the options object offers, as one JSON object; null without options.
std::string readOptions(ICoreWebView2EnvironmentOptions* options) {
    if (!options)
        return "null";
    BOOL singleSignOn = FALSE;
    options->get_AllowSingleSignOnUsingOSPrimaryAccount(&singleSignOn);
    std::string json =
        "{\"AdditionalBrowserArguments\":" +
        optionText(&ICoreWebView2EnvironmentOptions::get_AdditionalBrowserArguments, options) +
        ",\"Language\":" + optionText(&ICoreWebView2EnvironmentOptions::get_Language, options) +
        ",\"TargetCompatibleBrowserVersion\":" +
        optionText(&ICoreWebView2EnvironmentOptions::get_TargetCompatibleBrowserVersion, options) +
        ",\"AllowSingleSignOnUsingOSPrimaryAccount\":" + jsonBool(singleSignOn);
    addOption(json, options, IID_ICoreWebView2EnvironmentOptions2, "ExclusiveUserDataFolderAccess",
              &ICoreWebView2EnvironmentOptions2::get_ExclusiveUserDataFolderAccess);
    addOption(json, options, IID_ICoreWebView2EnvironmentOptions3, "IsCustomCrashReportingEnabled",
              &ICoreWebView2EnvironmentOptions3::get_IsCustomCrashReportingEnabled);
    addOption(json, options, IID_ICoreWebView2EnvironmentOptions5, "EnableTrackingPrevention",
              &ICoreWebView2EnvironmentOptions5::get_EnableTrackingPrevention);
    addOption(json, options, IID_ICoreWebView2EnvironmentOptions6, "AreBrowserExtensionsEnabled",
              &ICoreWebView2EnvironmentOptions6::get_AreBrowserExtensionsEnabled);
    addOption(json, options, IID_ICoreWebView2EnvironmentOptions7, "ChannelSearchKind",
              &ICoreWebView2EnvironmentOptions7::get_ChannelSearchKind);
    addOption(json, options, IID_ICoreWebView2EnvironmentOptions7, "ReleaseChannels",
              &ICoreWebView2EnvironmentOptions7::get_ReleaseChannels);
    addOption(json, options, IID_ICoreWebView2EnvironmentOptions8, "ScrollBarStyle",
              &ICoreWebView2EnvironmentOptions8::get_ScrollBarStyle);
    return json + "}";
}

} // namespace

extern "C" HRESULT STDAPICALLTYPE CreateCoreWebView2EnvironmentWithOptions(
    PCWSTR browserExecutableFolder, PCWSTR userDataFolder,
    ICoreWebView2EnvironmentOptions* environmentOptions,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* environmentCreatedHandler) {
    recordCall("loader.CreateCoreWebView2EnvironmentWithOptions",
               {jsonText(browserExecutableFolder), jsonText(userDataFolder),
                readOptions(environmentOptions)});
    startDispatcher();
    startCommands();
    const StandinConfig& config = standinConfig();
    if (FAILED(config.createResult))
        return config.createResult;
    if (!environmentCreatedHandler)
        return E_POINTER;
    const DWORD browser = browserProcessId();
    ComPtr<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler> completed(
        environmentCreatedHandler);
    const HRESULT result = config.environmentResult;
    postTask(
        [completed, result, browser] {
            recordNote("environmentCompleted", {jsonHresult(result)});
            if (FAILED(result)) {
                completed->Invoke(result, nullptr);
                return;
            }
            ComPtr<Environment> environment;
            environment = adopt(new Environment(browser));
            completed->Invoke(S_OK, environment.Get());
        },
        config.environmentDelayMs);
    return S_OK;
}

extern "C" HRESULT STDAPICALLTYPE CreateCoreWebView2Environment(
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* environmentCreatedHandler) {
    return CreateCoreWebView2EnvironmentWithOptions(nullptr, nullptr, nullptr,
                                                    environmentCreatedHandler);
}
